#pragma once
// The update sequence of a multi-sector record: the last 16-bit word of every
// sector was replaced on disk by the update sequence number, and the real
// words are kept in the update sequence array. A sector whose end does not
// carry the number was not written together with the others (a torn write).
#include <cstdint>
#include <span>

// Checks and restores the sector ends of `record`, whose header gives the
// array's offset. False when the array does not fit in the record or a
// sector end does not match; earlier sectors may then already be restored.
bool ApplyUpdateSequence(std::span<uint8_t> record, uint32_t sectorSize);
