#pragma once
// The "files" entries of the JSON listing. Files come in folders of many and
// in bursts with equal times, so each folder path, time text and name is
// escaped once and copied wherever it repeats.
#include "cli/Json.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

// The fields every found file has, whatever found it.
struct FileFields {
    const char* kind;
    std::u16string_view name;
    const std::u16string* folder;  // its folder's path, as FoundFiles keeps it
    uint64_t size;
    std::u16string_view timeText;
    std::string_view timeIso;
    uint64_t location;  // MFT record, carved file's handle, or FAT32 first cluster
    uint64_t parentRef;
    std::string_view contentSource;  // exFAT and FAT32: how the content is found
    bool encrypted = false;          // NTFS only: the data cannot be decrypted
    // NTFS: a file of the volume before its format, and whether it was
    // already deleted then.
    bool beforeFormat = false;
    bool deletedBeforeFormat = false;
};

class FileEntryWriter {
public:
    void Write(JsonWriter& json, const FileFields& file);

private:
    std::string_view EscapedFolder(const std::u16string& path);
    // `text` quoted and escaped, remade only when it differs from last time.
    template <typename Text>
    static const std::string& Quoted(Text text, std::basic_string<typename Text::value_type>& last,
                                     std::string& quoted);

    std::unordered_map<const std::u16string*, std::string> m_folders;
    std::u16string m_lastTime;
    std::string m_timeJson;
    std::string m_lastIso;
    std::string m_isoJson;
    std::string m_name;  // room for the escaped name; only ever grows
};
