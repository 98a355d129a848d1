#pragma once
// Crafts MFT records byte by byte for the cases a real volume cannot show:
// a header, attributes appended in order, the end marker, then the update
// sequence applied as a disk would hold it.
#include <cstdint>
#include <string>
#include <vector>

namespace ntfs_test {

class RecordBuilder {
public:
    explicit RecordBuilder(uint32_t recordSize = 1024, uint32_t sectorSize = 512);

    RecordBuilder& Flags(uint16_t flags);
    // Appends a resident attribute with `value`, optionally named.
    RecordBuilder& Resident(uint32_t type, const std::vector<uint8_t>& value, const std::u16string& name = u"");
    // Appends a non-resident attribute covering virtual clusters 0 to lastVcn.
    RecordBuilder& NonResident(uint32_t type, const std::vector<uint8_t>& runs, uint64_t lastVcn,
                               uint64_t dataSize);
    // The offset of the next attribute, for tests that damage a field of it.
    uint32_t NextOffset() const { return m_next; }

    // The record before the update sequence is applied.
    std::vector<uint8_t> Plain() const;
    // The record as it lies on disk.
    std::vector<uint8_t> Build(uint16_t sequenceNumber = 0x0001) const;

private:
    std::vector<uint8_t> m_bytes;
    uint32_t m_sectorSize;
    uint32_t m_next;
};

// Writes the update sequence into a plain record: the sector ends go to the
// array and are replaced with `sequenceNumber`.
void ProtectRecord(std::vector<uint8_t>& record, uint32_t sectorSize, uint16_t sequenceNumber);

void PutU16(std::vector<uint8_t>& bytes, size_t offset, uint16_t value);
void PutU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value);
void PutU64(std::vector<uint8_t>& bytes, size_t offset, uint64_t value);

// A file name body.
std::vector<uint8_t> FileNameBody(uint64_t parent, uint64_t realSize, uint8_t nameSpace,
                                  const std::u16string& name);
// A standard information body with the given modification time and flags.
std::vector<uint8_t> StdInfoBody(uint64_t modified, uint32_t fileAttributes);
// A directory index entry with `key` (none when empty) and `flags`, its
// length rounded up to 8 bytes.
std::vector<uint8_t> IndexEntryBytes(const std::vector<uint8_t>& key, uint16_t flags);
// An index root body over attribute type `indexedType` whose node holds
// `entries` right after the node header.
std::vector<uint8_t> IndexRootBody(uint32_t indexedType, const std::vector<std::vector<uint8_t>>& entries);

}  // namespace ntfs_test
