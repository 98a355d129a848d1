#pragma once
// What the NTFS fuzzers do with a record once it is loaded: everything the
// sweep and the recovery ask of a record, its names, sizes and the reading of
// every attribute's data.
#include "ntfs/AttrBase.h"
#include "ntfs/AttrIndexRoot.h"
#include "ntfs/DataStream.h"
#include "ntfs/FileRecord.h"

#include <array>
#include <cstdint>
#include <vector>

namespace fuzz_support {

// Reads at most this much of each attribute: enough to cross cluster and
// run boundaries without letting a claimed size of terabytes take the run.
constexpr uint64_t kMaxReadPerAttribute = 256 * 1024;

inline void ReadAttribute(CAttrBase& attribute) {
    uint64_t allocated = 0;
    const uint64_t size = attribute.DataSize(&allocated);
    if (!attribute.RunsValid()) return;
    std::array<uint8_t, 3000> chunk{};  // not a cluster multiple: partial clusters get read
    uint64_t offset = 0;
    while (offset < size && offset < kMaxReadPerAttribute) {
        size_t got = 0;
        if (!attribute.ReadBytes(offset, chunk, got) || got == 0) break;
        offset += got;
    }
    size_t got = 0;
    attribute.ReadBytes(size, chunk, got);  // at the end: must fail cleanly
    attribute.ReadBytes(~0ULL - 10, chunk, got);
}

inline void Exercise(CFileRecord& record) {
    (void)record.IsInUse();
    (void)record.IsDirectory();
    std::array<char16_t, CFileRecord::kNameBufferLength> name{};
    (void)record.FirstLongName(name);
    std::array<char16_t, 4> tiny{};
    (void)record.FirstLongName(tiny);
    (void)record.FirstLongName();
    (void)record.NameFileSize();
    (void)record.ParentReference();
    (void)record.ModifiedTimeLocal();
    for (size_t index = 0; index < CFileRecord::kTypeCount; ++index) {
        CSList<CAttrBase>& list = record.AttrList(index);
        std::vector<CAttrBase*> attributes;
        for (CAttrBase* attribute = list.First(); attribute; attribute = list.Next()) attributes.push_back(attribute);
        for (CAttrBase* attribute : attributes) {
            ReadAttribute(*attribute);
            if (auto* root = dynamic_cast<CAttr_IndexRoot*>(attribute)) {
                for (CIndexEntry* entry = root->First(); entry; entry = root->Next()) (void)entry->Name();
            }
        }
    }
    if (CAttrBase* data = record.DefaultDataStream()) ReadAttribute(*data);
    // The stream as recovery reads it: across extents, decompressed.
    CDataStream stream(record);
    std::vector<uint8_t> chunk(65536);
    for (uint64_t offset = 0; offset < stream.DataSize() && offset < kMaxReadPerAttribute; offset += chunk.size()) {
        size_t got = 0;
        if (!stream.ReadBytes(offset, chunk, got)) break;
    }
}

}  // namespace fuzz_support
