#pragma once
// MFT file records found outside the master file table, by their own bytes:
// after a quick format the old table's records still lie in what the new
// volume calls free space. Each is kept under the record number its header
// gives (NTFS 3.1 headers carry it), so that a reader can load them, and the
// extension records their attribute lists name, as if the old table were whole.
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

// The record number of `record` (recordSize bytes, as on disk) when it is a
// plausible MFT file record: the "FILE" signature, an update sequence that
// fits the header and checks out for every sector, a first attribute and a
// used size within the record, and a header that carries its own number.
// Empty otherwise.
std::optional<uint64_t> FoundRecordNumber(std::span<const uint8_t> record, uint32_t sectorSize);

class CFoundRecords {
public:
    CFoundRecords(uint32_t recordSize, uint32_t sectorSize);

    // Looks at every sector start of `stretch` (volume bytes read in one
    // piece, from byte `offset` of the volume) for a record that lies whole
    // inside it, and keeps those that pass FoundRecordNumber. Two records of
    // one number: the one logged later (larger log sequence number) is
    // kept. Returns how many were kept.
    uint32_t Search(std::span<const uint8_t> stretch, uint64_t offset = 0);

    // Copies record `number` as found (not yet repaired) into `destination`,
    // which holds RecordSize() bytes; false when no such record was found.
    bool Copy(uint64_t number, std::span<uint8_t> destination) const;
    bool Empty() const { return m_slots.empty(); }
    size_t Count() const { return m_slots.size(); }
    // The numbers found, in ascending order.
    std::vector<uint64_t> Numbers() const;
    // The volume byte offset record `number` was kept from; empty when it was not found.
    std::optional<uint64_t> OffsetOf(uint64_t number) const;
    // One past the highest number found; 0 when none was found.
    uint64_t EndNumber() const { return m_slots.empty() ? 0 : m_slots.rbegin()->first + 1; }
    uint32_t RecordSize() const { return m_recordSize; }
    uint32_t SectorSize() const { return m_sectorSize; }

private:
    bool Offer(std::span<const uint8_t> record, uint64_t offset);
    std::span<uint8_t> Stored(size_t index);
    std::span<const uint8_t> Stored(size_t index) const;

    struct Slot {
        size_t index;     // of the record among the stored ones
        uint64_t offset;  // where on the volume it was found
    };
    // Records are kept in blocks that never move: the set grows during the
    // scan's pass, and a growing array would copy all of it again and again.
    static constexpr size_t kBlockBytes = 1 << 20;
    uint32_t m_recordSize;
    uint32_t m_sectorSize;
    size_t m_recordsPerBlock;
    std::map<uint64_t, Slot> m_slots;  // by record number
    std::vector<std::vector<uint8_t>> m_blocks;
    size_t m_stored = 0;
};
