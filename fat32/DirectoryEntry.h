#pragma once
// The 32-byte FAT directory entry: field reads and the tests the directory
// loader applies to entries of live, deleted and lost folders.
//
// Layout (little-endian): name 8, extension 3, attribute 1, NT-reserved 1,
// creation tenths 1, creation time 2, creation date 2, last access date 2,
// first cluster high 2, write time 2, write date 2, first cluster low 2,
// file size 4.
#include <array>
#include <cstdint>
#include <span>

constexpr size_t kDirEntrySize = 32;
using DirEntryBytes = std::array<uint8_t, kDirEntrySize>;

// First name byte of an entry whose file was deleted.
constexpr uint8_t kDeletedMarker = 0xE5;

namespace dir_entry {
constexpr size_t kAttribute = 11;
// Reserved by FAT; Windows NT keeps in it the case of a short name that is
// all lower case in its base or its extension (readme.txt is stored as
// "README  TXT" with both bits set and no long name). No other bit is set by
// any writer.
constexpr size_t kNtReserved = 12;
constexpr uint8_t kLowerCaseBaseName = 0x08;
constexpr uint8_t kLowerCaseExtension = 0x10;
constexpr size_t kCreationTime = 14;
constexpr size_t kCreationDate = 16;
constexpr size_t kLastAccessDate = 18;
constexpr size_t kFirstClusterHigh = 20;
constexpr size_t kWriteTime = 22;
constexpr size_t kWriteDate = 24;
constexpr size_t kFirstClusterLow = 26;
constexpr size_t kFileSize = 28;
}  // namespace dir_entry

// Entry `index` of a directory buffer; false when it does not lie inside it.
bool EntryAt(std::span<const uint8_t> directory, uint64_t index, DirEntryBytes& entry);

uint8_t EntryAttribute(const DirEntryBytes& entry);
uint64_t EntryFirstCluster(const DirEntryBytes& entry);
uint32_t EntryFileSize(const DirEntryBytes& entry);
uint16_t EntryField16(const DirEntryBytes& entry, size_t offset);

bool IsLongNameEntry(const DirEntryBytes& entry);
bool IsDirectoryEntry(const DirEntryBytes& entry);
// A volume label, or a "." / ".." entry, that is not deleted.
bool IsDotOrLabelEntry(const DirEntryBytes& entry);
// A volume label, deleted or not: a name for the volume, no file. Long-name
// entries carry the label bit too and are not labels.
bool IsVolumeLabelEntry(const DirEntryBytes& entry);
// Dates no later than `latestYear` and times that a clock can show.
bool HasPlausibleTimes(const DirEntryBytes& entry, int latestYear);
// Whether an entry of a deleted folder looks like one a file system wrote.
// Usable first clusters are 2 up to, not including, `clusterEnd`; an empty
// file has size 0 and first cluster 0.
bool IsPlausibleEntry(const DirEntryBytes& entry, int latestYear, uint64_t clusterEnd);
// Bytes 2 to 10 are spaces, as in the names "." and "..".
bool HasDotNamePadding(const DirEntryBytes& entry);
