#include "fat32/DirectoryEntry.h"

#include "platform/LittleEndian.h"

#include <algorithm>

namespace {

constexpr uint8_t kAttrVolumeLabel = 0x08;
constexpr uint8_t kAttrDirectory = 0x10;

platform::LeBytes Fields(const DirEntryBytes& entry) { return platform::LeBytes(entry.data(), entry.size()); }

// FAT packs dates as year-1980 (bits 9-15), month (5-8), day (0-4).
int DateYear(uint16_t date) { return 1980 + (date >> 9); }
int DateMonth(uint16_t date) { return (date >> 5) & 0x0F; }

// Times as hours (bits 11-15), minutes (5-10), two-second count (0-4).
bool IsClockTime(uint16_t time) { return (time >> 11) <= 23 && ((time >> 5) & 0x3F) <= 59 && (time & 0x1F) <= 30; }

}  // namespace

bool EntryAt(std::span<const uint8_t> directory, uint64_t index, DirEntryBytes& entry) {
    platform::LeBytes bytes(directory);
    if (index > directory.size() / kDirEntrySize) return false;
    platform::LeBytes slot = bytes.Sub(index * kDirEntrySize, kDirEntrySize);
    if (slot.Size() != kDirEntrySize) return false;
    std::copy_n(slot.Data(), kDirEntrySize, entry.begin());
    return true;
}

uint8_t EntryAttribute(const DirEntryBytes& entry) { return entry[dir_entry::kAttribute]; }

uint64_t EntryFirstCluster(const DirEntryBytes& entry) {
    auto fields = Fields(entry);
    return uint64_t(fields.U16(dir_entry::kFirstClusterHigh)) << 16 | fields.U16(dir_entry::kFirstClusterLow);
}

uint32_t EntryFileSize(const DirEntryBytes& entry) { return Fields(entry).U32(dir_entry::kFileSize); }

uint16_t EntryField16(const DirEntryBytes& entry, size_t offset) { return Fields(entry).U16(offset); }

bool IsLongNameEntry(const DirEntryBytes& entry) { return (EntryAttribute(entry) & 0x3F) == 0x0F; }

bool IsDirectoryEntry(const DirEntryBytes& entry) { return (EntryAttribute(entry) & kAttrDirectory) != 0; }

bool IsDotOrLabelEntry(const DirEntryBytes& entry) {
    if (IsLongNameEntry(entry) || entry[0] == kDeletedMarker) return false;
    uint8_t kind = EntryAttribute(entry) & (kAttrVolumeLabel | kAttrDirectory);
    return kind == kAttrVolumeLabel || (kind == kAttrDirectory && entry[0] == '.');
}

bool IsVolumeLabelEntry(const DirEntryBytes& entry) {
    return !IsLongNameEntry(entry) && (EntryAttribute(entry) & kAttrVolumeLabel) != 0;
}

bool HasPlausibleTimes(const DirEntryBytes& entry, int latestYear) {
    if (entry[0] == 0x20 || entry[0] == 0x00) return false;
    uint16_t created = EntryField16(entry, dir_entry::kCreationDate);
    uint16_t written = EntryField16(entry, dir_entry::kWriteDate);
    uint16_t accessed = EntryField16(entry, dir_entry::kLastAccessDate);
    return DateYear(created) <= latestYear && DateMonth(created) <= 12 &&
           IsClockTime(EntryField16(entry, dir_entry::kCreationTime)) && DateYear(written) <= latestYear &&
           IsClockTime(EntryField16(entry, dir_entry::kWriteTime)) && DateYear(accessed) <= latestYear &&
           DateMonth(accessed) <= 12 && accessed >= created;
}

bool IsPlausibleEntry(const DirEntryBytes& entry, int latestYear, uint64_t clusterEnd) {
    if (entry[0] == kDeletedMarker && EntryField16(entry, dir_entry::kFirstClusterHigh) != 0) return false;
    if (!HasPlausibleTimes(entry, latestYear)) return false;
    uint8_t attribute = EntryAttribute(entry);
    if (attribute == 0 || (attribute & 0xC0) != 0) return false;
    if (IsDirectoryEntry(entry)) {
        // A folder has no size and, having no extension, blank extension
        // bytes: short names pad them with spaces, some writers with zeros.
        auto blank = [](uint8_t byte) { return byte == 0x00 || byte == ' '; };
        if (EntryFileSize(entry) != 0 || !blank(entry[8]) || !blank(entry[9])) return false;
    }
    uint64_t cluster = EntryFirstCluster(entry);
    // An empty file (an editor's swap file, a placeholder) owns no cluster:
    // size 0 and cluster 0 go together. Either one alone is damage.
    const bool emptyFile = !IsDirectoryEntry(entry) && EntryFileSize(entry) == 0 && cluster == 0;
    if (!emptyFile) {
        if (!IsDirectoryEntry(entry) && EntryFileSize(entry) == 0) return false;
        if (cluster < 2 || cluster >= clusterEnd) return false;
    }
    return (entry[dir_entry::kNtReserved] & ~(dir_entry::kLowerCaseBaseName | dir_entry::kLowerCaseExtension)) == 0;
}

bool HasDotNamePadding(const DirEntryBytes& entry) {
    return std::all_of(entry.begin() + 2, entry.begin() + 11, [](uint8_t byte) { return byte == ' '; });
}
