#include "exfat/ExFatEntrySet.h"

#include "platform/LittleEndian.h"

#include <algorithm>
#include <array>

namespace {

// File entry fields.
constexpr size_t kSecondaryCountOffset = 1;
constexpr size_t kSetChecksumOffset = 2;
constexpr size_t kAttributesOffset = 4;
constexpr size_t kModifiedOffset = 12;
constexpr size_t kModified10msOffset = 21;
constexpr size_t kModifiedUtcOffset = 23;
// Stream extension fields.
constexpr size_t kFlagsOffset = 1;
constexpr size_t kNameLengthOffset = 3;
constexpr size_t kNameHashOffset = 4;
constexpr size_t kValidDataLengthOffset = 8;
constexpr size_t kFirstClusterOffset = 20;
constexpr size_t kDataLengthOffset = 24;
constexpr uint8_t kAllocationPossible = 0x01;
constexpr uint8_t kNoFatChain = 0x02;
// File name entries: 15 UTF-16 characters from byte 2.
constexpr size_t kNameCharsOffset = 2;
constexpr size_t kCharsPerNameEntry = 15;
// A set has a stream extension and 1 to 17 name entries (255 characters).
constexpr uint8_t kMinSecondaries = 2;
constexpr uint8_t kMaxSecondaries = 18;
// Secondary entries have bit 6 of their type set.
constexpr uint8_t kSecondaryCategory = 0x40;

// Deletion clears the in-use bit of each entry but leaves the checksum as
// it was computed over the live set, so a deleted set is checked with its
// in-use bits restored (and as stored, for writers that recompute it).
bool ChecksumHolds(std::span<const uint8_t> set, uint8_t secondaries, uint16_t stored) {
    if (EntrySetChecksum(set) == stored) return true;
    if (set[0] & CExFatEntrySet::kInUse) return false;
    std::array<uint8_t, (kMaxSecondaries + 1) * CExFatEntrySet::kEntrySize> live{};
    std::copy(set.begin(), set.end(), live.begin());
    for (unsigned i = 0; i <= secondaries; ++i) live[i * CExFatEntrySet::kEntrySize] |= CExFatEntrySet::kInUse;
    return EntrySetChecksum(std::span(live).first(set.size())) == stored;
}

}  // namespace

uint16_t EntrySetChecksum(std::span<const uint8_t> set) {
    uint16_t checksum = 0;
    for (size_t i = 0; i < set.size(); ++i) {
        if (i == kSetChecksumOffset || i == kSetChecksumOffset + 1) continue;
        checksum = static_cast<uint16_t>(((checksum & 1) ? 0x8000 : 0) + (checksum >> 1) + set[i]);
    }
    return checksum;
}

bool CExFatEntrySet::Parse(std::span<const uint8_t> directory, size_t index) {
    platform::LeBytes all(directory);
    if (index > directory.size() / kEntrySize) return false;
    const uint64_t start = uint64_t(index) * kEntrySize;
    const uint8_t type = all.U8(start);
    if (!all.Has(start, kEntrySize) || EntryTypeCode(type) != kFileType) return false;
    const bool inUse = (type & kInUse) != 0;
    const uint8_t secondaries = all.U8(start + kSecondaryCountOffset);
    if (secondaries < kMinSecondaries || secondaries > kMaxSecondaries) return false;
    const uint64_t setBytes = (uint64_t(secondaries) + 1) * kEntrySize;
    if (!all.Has(start, setBytes)) return false;
    platform::LeBytes set = all.Sub(start, setBytes);
    if (!ChecksumHolds(set.Span(), secondaries, set.U16(kSetChecksumOffset))) return false;

    // Every secondary shares the file entry's state, and the first is the
    // stream extension.
    for (unsigned i = 1; i <= secondaries; ++i) {
        const uint8_t secondary = set.U8(i * kEntrySize);
        if (!(secondary & kSecondaryCategory) || ((secondary & kInUse) != 0) != inUse) return false;
    }
    const uint64_t stream = kEntrySize;
    if (EntryTypeCode(set.U8(stream)) != kStreamType) return false;
    const uint8_t nameLength = set.U8(stream + kNameLengthOffset);
    const unsigned nameEntries = (nameLength + kCharsPerNameEntry - 1) / kCharsPerNameEntry;
    if (nameLength == 0 || nameEntries + 1u > secondaries) return false;

    std::u16string name;
    name.reserve(nameLength);
    for (unsigned e = 0; e < nameEntries; ++e) {
        const uint64_t entry = (uint64_t(e) + 2) * kEntrySize;
        if (EntryTypeCode(set.U8(entry)) != kNameType) return false;
        for (size_t c = 0; c < kCharsPerNameEntry && name.size() < nameLength; ++c)
            name.push_back(static_cast<char16_t>(set.U16(entry + kNameCharsOffset + 2 * c)));
    }

    m_inUse = inUse;
    m_secondaryCount = secondaries;
    m_attributes = set.U16(kAttributesOffset);
    m_modified = {set.U32(kModifiedOffset), set.U8(kModified10msOffset), set.U8(kModifiedUtcOffset)};
    const uint8_t flags = set.U8(stream + kFlagsOffset);
    m_allocationPossible = (flags & kAllocationPossible) != 0;
    m_noFatChain = (flags & kNoFatChain) != 0;
    m_nameHash = set.U16(stream + kNameHashOffset);
    m_validDataLength = set.U64(stream + kValidDataLengthOffset);
    m_firstCluster = set.U32(stream + kFirstClusterOffset);
    m_dataLength = set.U64(stream + kDataLengthOffset);
    m_name = std::move(name);
    return true;
}
