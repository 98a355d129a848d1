#include "ntfs/UpdateSequence.h"

#include "ntfs/RecordLayout.h"
#include "platform/LittleEndian.h"

bool ApplyUpdateSequence(std::span<uint8_t> record, uint32_t sectorSize) {
    if (sectorSize < 2 || record.size() < sectorSize || record.size() % sectorSize != 0) return false;
    const uint64_t sectors = record.size() / sectorSize;
    const platform::LeBytes bytes(record);
    const uint64_t arrayOffset = bytes.U16(mft_record::kUpdateSequenceOffset);
    // The number itself, then one saved word per sector.
    if (!bytes.Has(arrayOffset, (sectors + 1) * 2)) return false;
    const uint16_t sequenceNumber = bytes.U16(arrayOffset);
    for (uint64_t i = 0; i < sectors; ++i) {
        const uint64_t end = (i + 1) * sectorSize - 2;
        if (bytes.U16(end) != sequenceNumber) return false;
        const uint16_t saved = bytes.U16(arrayOffset + 2 * (i + 1));
        record[end] = static_cast<uint8_t>(saved & 0xFF);
        record[end + 1] = static_cast<uint8_t>(saved >> 8);
    }
    return true;
}
