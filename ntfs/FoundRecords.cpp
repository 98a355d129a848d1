#include "ntfs/FoundRecords.h"

#include "ntfs/RecordLayout.h"
#include "ntfs/UpdateSequence.h"
#include "platform/LittleEndian.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// Header fields read only here: the update sequence length, the log
// sequence number, the used and allocated sizes, and the record's own
// number, which NTFS 3.1 keeps ahead of a sequence array at 0x30.
constexpr uint64_t kUpdateSequenceLengthOffset = 0x06;
constexpr uint64_t kLogSequenceOffset = 0x08;
constexpr uint64_t kBytesInUseOffset = 0x18;
constexpr uint64_t kBytesAllocatedOffset = 0x1C;
constexpr uint64_t kRecordNumberOffset = 0x2C;
constexpr uint64_t kLeastSequenceOffset = kRecordNumberOffset + sizeof(uint32_t);
// The most a record is ever made of; a larger size is no record.
constexpr uint32_t kLargestRecord = 65536;

bool HeaderFits(const platform::LeBytes& header, uint32_t recordSize, uint32_t sectorSize) {
    const uint64_t arrayOffset = header.U16(mft_record::kUpdateSequenceOffset);
    const uint64_t arrayWords = header.U16(kUpdateSequenceLengthOffset);
    const uint64_t firstAttribute = header.U16(mft_record::kFirstAttributeOffset);
    const uint64_t inUse = header.U32(kBytesInUseOffset);
    return arrayOffset >= kLeastSequenceOffset && arrayOffset % 2 == 0 &&
           arrayWords == recordSize / sectorSize + 1 && arrayOffset + 2 * arrayWords <= firstAttribute &&
           firstAttribute % 8 == 0 && firstAttribute < inUse && inUse <= recordSize &&
           header.U32(kBytesAllocatedOffset) == recordSize;
}

}  // namespace

std::optional<uint64_t> FoundRecordNumber(std::span<const uint8_t> record, uint32_t sectorSize) {
    const auto recordSize = static_cast<uint32_t>(std::min<size_t>(record.size(), kLargestRecord + 1));
    if (sectorSize < 2 || recordSize > kLargestRecord || recordSize < sectorSize || recordSize % sectorSize != 0)
        return std::nullopt;
    const platform::LeBytes header(record);
    if (header.U32(mft_record::kSignatureOffset) != mft_record::kSignature ||
        !HeaderFits(header, recordSize, sectorSize))
        return std::nullopt;
    // The check repairs what it reads, so it works on a copy.
    std::array<uint8_t, kLargestRecord> copy;
    std::ranges::copy(record, copy.begin());
    if (!ApplyUpdateSequence(std::span(copy).first(recordSize), sectorSize)) return std::nullopt;
    return header.U32(kRecordNumberOffset);
}

CFoundRecords::CFoundRecords(uint32_t recordSize, uint32_t sectorSize)
    : m_recordSize(recordSize), m_sectorSize(sectorSize),
      m_recordsPerBlock(std::max<size_t>(1, kBlockBytes / std::max<uint32_t>(recordSize, 1))) {}

std::span<uint8_t> CFoundRecords::Stored(size_t index) {
    return std::span(m_blocks[index / m_recordsPerBlock]).subspan((index % m_recordsPerBlock) * m_recordSize, m_recordSize);
}

std::span<const uint8_t> CFoundRecords::Stored(size_t index) const {
    return std::span(m_blocks[index / m_recordsPerBlock]).subspan((index % m_recordsPerBlock) * m_recordSize, m_recordSize);
}

bool CFoundRecords::Offer(std::span<const uint8_t> record, uint64_t offset) {
    const std::optional<uint64_t> number = FoundRecordNumber(record, m_sectorSize);
    if (!number) return false;
    auto [slot, added] = m_slots.try_emplace(*number, Slot{m_stored, offset});
    if (added) {
        if (m_stored % m_recordsPerBlock == 0) m_blocks.emplace_back(m_recordsPerBlock * m_recordSize);
        std::ranges::copy(record, Stored(m_stored++).begin());
        return true;
    }
    const auto kept = Stored(slot->second.index);
    if (platform::LeBytes(record).U64(kLogSequenceOffset) <= platform::LeBytes(kept).U64(kLogSequenceOffset))
        return false;
    std::ranges::copy(record, kept.begin());
    slot->second.offset = offset;
    return true;
}

uint32_t CFoundRecords::Search(std::span<const uint8_t> stretch, uint64_t stretchOffset) {
    // No record is smaller than its header.
    if (m_sectorSize < 2 || m_recordSize < kLeastSequenceOffset || m_recordSize < m_sectorSize ||
        m_recordSize % m_sectorSize != 0)
        return 0;
    uint32_t kept = 0;
    const uint8_t* const data = stretch.data();
    size_t offset = 0;
    // Asked of every free sector of the volume: the signature alone rules
    // out nearly all of them, at the cost of one comparison.
    while (offset < stretch.size() && stretch.size() - offset >= m_recordSize) {
        if (std::memcmp(data + offset, "FILE", 4) == 0 && Offer(stretch.subspan(offset, m_recordSize), stretchOffset + offset)) {
            ++kept;
            offset += m_recordSize;
        } else {
            offset += m_sectorSize;
        }
    }
    return kept;
}

bool CFoundRecords::Copy(uint64_t number, std::span<uint8_t> destination) const {
    const auto slot = m_slots.find(number);
    if (slot == m_slots.end() || destination.size() < m_recordSize) return false;
    std::ranges::copy(Stored(slot->second.index), destination.begin());
    return true;
}

std::optional<uint64_t> CFoundRecords::OffsetOf(uint64_t number) const {
    const auto slot = m_slots.find(number);
    if (slot == m_slots.end()) return std::nullopt;
    return slot->second.offset;
}

std::vector<uint64_t> CFoundRecords::Numbers() const {
    std::vector<uint64_t> numbers;
    numbers.reserve(m_slots.size());
    for (const auto& [number, slot] : m_slots) numbers.push_back(number);
    return numbers;
}
