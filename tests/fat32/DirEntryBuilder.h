#pragma once
// Directory entries built by hand for the catalog tests: short entries with
// dates that pass the plausibility tests unless a test changes them, and
// long-name runs as a file system stores them (last part first).
#include "fat32/DirectoryEntry.h"

#include <cstdint>
#include <string>
#include <vector>

namespace test_entries {

// 2024-06-01 12:00:00 in FAT packing.
constexpr uint16_t kDate = (2024 - 1980) << 9 | 6 << 5 | 1;
constexpr uint16_t kTime = 12 << 11;

inline void Put16(DirEntryBytes& entry, size_t offset, uint16_t value) {
    entry[offset] = static_cast<uint8_t>(value);
    entry[offset + 1] = static_cast<uint8_t>(value >> 8);
}

// `name11` is the 11 stored name bytes ("README  TXT").
inline DirEntryBytes Short(const std::string& name11, uint8_t attribute, uint32_t cluster, uint32_t size) {
    DirEntryBytes entry{};
    for (size_t i = 0; i < 11; ++i) entry[i] = i < name11.size() ? static_cast<uint8_t>(name11[i]) : ' ';
    entry[dir_entry::kAttribute] = attribute;
    Put16(entry, dir_entry::kCreationTime, kTime);
    Put16(entry, dir_entry::kCreationDate, kDate);
    Put16(entry, dir_entry::kLastAccessDate, kDate);
    Put16(entry, dir_entry::kFirstClusterHigh, static_cast<uint16_t>(cluster >> 16));
    Put16(entry, dir_entry::kWriteTime, kTime);
    Put16(entry, dir_entry::kWriteDate, kDate);
    Put16(entry, dir_entry::kFirstClusterLow, static_cast<uint16_t>(cluster));
    for (int i = 0; i < 4; ++i) entry[dir_entry::kFileSize + i] = static_cast<uint8_t>(size >> (8 * i));
    return entry;
}

inline DirEntryBytes File(const std::string& name11, uint32_t cluster, uint32_t size) {
    return Short(name11, 0x20, cluster, size);
}

// A folder entry whose extension bytes are zero, as deleted-folder listings require.
inline DirEntryBytes Folder(const std::string& name8, uint32_t cluster) {
    DirEntryBytes entry = Short(name8, 0x10, cluster, 0);
    entry[8] = entry[9] = entry[10] = 0;
    return entry;
}

inline DirEntryBytes Deleted(DirEntryBytes entry) {
    entry[0] = kDeletedMarker;
    return entry;
}

inline DirEntryBytes Dot(uint32_t cluster) { return Short(".", 0x10, cluster, 0); }
inline DirEntryBytes DotDot(uint32_t cluster) { return Short("..", 0x10, cluster, 0); }

// The long-name entries of `name`, in disk order (highest sequence first).
inline std::vector<DirEntryBytes> LongName(const std::u16string& name) {
    std::u16string padded = name;
    if (padded.size() % 13 != 0) padded += u'\0';
    while (padded.size() % 13 != 0) padded += u'\xFFFF';
    size_t count = padded.size() / 13;
    const size_t offsets[] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
    std::vector<DirEntryBytes> run;
    for (size_t part = count; part-- > 0;) {
        DirEntryBytes entry{};
        entry[0] = static_cast<uint8_t>((part + 1) | (part + 1 == count ? 0x40 : 0));
        entry[dir_entry::kAttribute] = 0x0F;
        for (size_t i = 0; i < 13; ++i) Put16(entry, offsets[i], padded[part * 13 + i]);
        run.push_back(entry);
    }
    return run;
}

// Concatenates entries into directory data of `size` bytes.
inline std::vector<uint8_t> Directory(const std::vector<DirEntryBytes>& entries, size_t size = 512) {
    std::vector<uint8_t> data(size);
    for (size_t i = 0; i < entries.size() && (i + 1) * kDirEntrySize <= size; ++i) {
        std::copy(entries[i].begin(), entries[i].end(), data.begin() + i * kDirEntrySize);
    }
    return data;
}

}  // namespace test_entries
