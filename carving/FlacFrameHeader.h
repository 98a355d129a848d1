#pragma once
// A FLAC frame header: sync, blocking strategy, block size, sample rate,
// channels and sample size codes, the coded frame or sample number, the
// optional block size and sample rate fields, and the CRC-8 over them all.
// Also the two CRCs FLAC uses (CRC-8 poly 07, CRC-16 poly 8005, both
// unreflected from zero).
#include "carving/SectorWindow.h"

#include <cstdint>
#include <optional>

struct FlacFrameHeader {
    uint32_t length = 0;     // header bytes, its CRC-8 included
    uint64_t number = 0;     // frame number (fixed blocks) or first sample number (variable)
    uint32_t blockSize = 0;  // samples in the frame
    bool variable = false;   // variable blocking strategy: `number` counts samples
    uint32_t streamBits = 0;  // strategy, sample rate, channels and sample size: equal within a stream
};

// Bytes a frame header can take at most.
constexpr uint64_t kMaxFlacFrameHeader = 16;

enum class FlacHeaderRead : uint8_t { Valid, Invalid, Wait };

// Reads the header at `offset`; Wait when its bytes are not all visible.
FlacHeaderRead ReadFlacFrameHeader(const CSectorWindow& data, uint64_t offset, FlacFrameHeader& header);

uint8_t FlacCrc8Add(uint8_t crc, uint8_t byte);
uint16_t FlacCrc16Add(uint16_t crc, uint8_t byte);
