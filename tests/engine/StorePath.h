#pragma once
// The path the result store gives a found file: its folder chain up to the
// root, with "?" where a folder is missing.
#include "engine/ScanContext.h"
#include "platform/TextConvert.h"

#include <string>

inline std::string StorePath(const ScanContext& context, const DeletedFileItem& item) {
    std::string path = "/" + platform::ToUtf8(item.name);
    uint64_t key = FolderKeyOfReference(item.parentRef);
    for (int guard = 0; key != kRootFolderKey && guard < 1000; ++guard) {
        auto folder = context.folderMap.find(key);
        if (folder == context.folderMap.end()) return "?" + path;
        path = "/" + platform::ToUtf8(folder->second.name) + path;
        if (folder->second.parentRef == 0) break;
        key = FolderKeyOfReference(folder->second.parentRef);
    }
    return path;
}
