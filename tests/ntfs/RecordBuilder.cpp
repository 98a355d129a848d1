#include "tests/ntfs/RecordBuilder.h"

#include <algorithm>

namespace ntfs_test {
namespace {

uint32_t Align8(uint32_t value) { return (value + 7) & ~7U; }

}  // namespace

void PutU16(std::vector<uint8_t>& bytes, size_t offset, uint16_t value) {
    for (int i = 0; i < 2; ++i) bytes.at(offset + i) = static_cast<uint8_t>(value >> (8 * i));
}
void PutU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<uint8_t>(value >> (8 * i));
}
void PutU64(std::vector<uint8_t>& bytes, size_t offset, uint64_t value) {
    for (int i = 0; i < 8; ++i) bytes.at(offset + i) = static_cast<uint8_t>(value >> (8 * i));
}

RecordBuilder::RecordBuilder(uint32_t recordSize, uint32_t sectorSize)
    : m_bytes(recordSize, 0), m_sectorSize(sectorSize) {
    const uint32_t sectors = recordSize / sectorSize;
    PutU32(m_bytes, 0x00, 0x454C4946);
    PutU16(m_bytes, 0x04, 0x30);               // update sequence array
    PutU16(m_bytes, 0x06, static_cast<uint16_t>(sectors + 1));
    m_next = Align8(0x30 + 2 * (sectors + 1));
    PutU16(m_bytes, 0x14, static_cast<uint16_t>(m_next));
    PutU16(m_bytes, 0x16, 0x0001);
    PutU32(m_bytes, 0x1C, recordSize);
}

RecordBuilder& RecordBuilder::Flags(uint16_t flags) {
    PutU16(m_bytes, 0x16, flags);
    return *this;
}

RecordBuilder& RecordBuilder::Resident(uint32_t type, const std::vector<uint8_t>& value,
                                       const std::u16string& name) {
    const uint32_t nameOffset = 0x18;
    const uint32_t valueOffset = Align8(nameOffset + 2 * static_cast<uint32_t>(name.size()));
    const uint32_t length = Align8(valueOffset + static_cast<uint32_t>(value.size()));
    const uint32_t at = m_next;
    PutU32(m_bytes, at + 0x00, type);
    PutU32(m_bytes, at + 0x04, length);
    m_bytes.at(at + 0x09) = static_cast<uint8_t>(name.size());
    PutU16(m_bytes, at + 0x0A, static_cast<uint16_t>(nameOffset));
    PutU32(m_bytes, at + 0x10, static_cast<uint32_t>(value.size()));
    PutU16(m_bytes, at + 0x14, static_cast<uint16_t>(valueOffset));
    for (size_t i = 0; i < name.size(); ++i) PutU16(m_bytes, at + nameOffset + 2 * i, name[i]);
    for (size_t i = 0; i < value.size(); ++i) m_bytes.at(at + valueOffset + i) = value[i];
    m_next += length;
    return *this;
}

RecordBuilder& RecordBuilder::NonResident(uint32_t type, const std::vector<uint8_t>& runs, uint64_t lastVcn,
                                          uint64_t dataSize) {
    const uint32_t runOffset = 0x40;
    const uint32_t length = Align8(runOffset + static_cast<uint32_t>(runs.size()) + 1);
    const uint32_t at = m_next;
    PutU32(m_bytes, at + 0x00, type);
    PutU32(m_bytes, at + 0x04, length);
    m_bytes.at(at + 0x08) = 1;
    PutU16(m_bytes, at + 0x0A, 0x40);
    PutU64(m_bytes, at + 0x10, 0);
    PutU64(m_bytes, at + 0x18, lastVcn);
    PutU16(m_bytes, at + 0x20, static_cast<uint16_t>(runOffset));
    PutU64(m_bytes, at + 0x28, (lastVcn + 1) * 4096);
    PutU64(m_bytes, at + 0x30, dataSize);
    PutU64(m_bytes, at + 0x38, dataSize);
    for (size_t i = 0; i < runs.size(); ++i) m_bytes.at(at + runOffset + i) = runs[i];
    m_next += length;
    return *this;
}

std::vector<uint8_t> RecordBuilder::Plain() const {
    std::vector<uint8_t> bytes = m_bytes;
    PutU32(bytes, m_next, 0xFFFFFFFF);
    PutU32(bytes, 0x18, m_next + 8);  // bytes in use
    return bytes;
}

std::vector<uint8_t> RecordBuilder::Build(uint16_t sequenceNumber) const {
    std::vector<uint8_t> bytes = Plain();
    ProtectRecord(bytes, m_sectorSize, sequenceNumber);
    return bytes;
}

void ProtectRecord(std::vector<uint8_t>& record, uint32_t sectorSize, uint16_t sequenceNumber) {
    const size_t arrayOffset = static_cast<size_t>(record.at(0x04) | record.at(0x05) << 8);
    PutU16(record, arrayOffset, sequenceNumber);
    for (size_t i = 0; i < record.size() / sectorSize; ++i) {
        const size_t end = (i + 1) * sectorSize - 2;
        PutU16(record, arrayOffset + 2 * (i + 1), static_cast<uint16_t>(record[end] | record[end + 1] << 8));
        PutU16(record, end, sequenceNumber);
    }
}

std::vector<uint8_t> FileNameBody(uint64_t parent, uint64_t realSize, uint8_t nameSpace,
                                  const std::u16string& name) {
    std::vector<uint8_t> body(0x42 + 2 * name.size(), 0);
    PutU64(body, 0x00, parent);
    PutU64(body, 0x30, realSize);
    body[0x40] = static_cast<uint8_t>(name.size());
    body[0x41] = nameSpace;
    for (size_t i = 0; i < name.size(); ++i) PutU16(body, 0x42 + 2 * i, name[i]);
    return body;
}

std::vector<uint8_t> StdInfoBody(uint64_t modified, uint32_t fileAttributes) {
    std::vector<uint8_t> body(0x48, 0);
    PutU64(body, 0x08, modified);
    PutU32(body, 0x20, fileAttributes);
    return body;
}

std::vector<uint8_t> IndexEntryBytes(const std::vector<uint8_t>& key, uint16_t flags) {
    std::vector<uint8_t> bytes(0x10 + Align8(static_cast<uint32_t>(key.size())), 0);
    PutU16(bytes, 0x08, static_cast<uint16_t>(bytes.size()));
    PutU16(bytes, 0x0A, static_cast<uint16_t>(key.size()));
    PutU16(bytes, 0x0C, flags);
    std::copy(key.begin(), key.end(), bytes.begin() + 0x10);
    return bytes;
}

std::vector<uint8_t> IndexRootBody(uint32_t indexedType, const std::vector<std::vector<uint8_t>>& entries) {
    std::vector<uint8_t> body(0x20, 0);
    for (const auto& entry : entries) body.insert(body.end(), entry.begin(), entry.end());
    PutU32(body, 0x00, indexedType);
    PutU32(body, 0x10, 0x10);  // the first entry, right after the node header
    PutU32(body, 0x14, static_cast<uint32_t>(body.size() - 0x10));
    return body;
}

}  // namespace ntfs_test
