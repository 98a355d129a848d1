#pragma once
// The 4-byte header of an MPEG audio frame (MPEG 1, 2 and 2.5, layers I to
// III): sync, version, layer, bit rate, sample rate and padding give the
// frame's length. Free-format frames (bit rate index 0) carry no length and
// are not read.
#include <cstdint>
#include <optional>

struct MpegAudioFrame {
    uint32_t length = 0;       // bytes from this header to the next one
    uint32_t streamBits = 0;   // version, layer and sample rate: equal within a stream
    uint8_t version = 0;       // 3 MPEG 1, 2 MPEG 2, 0 MPEG 2.5
    uint8_t layer = 0;         // 3 layer I, 2 layer II, 1 layer III (as coded)
    bool mono = false;
    bool protectedByCrc = false;
};

// The frame whose header is the four bytes; nothing when they are not one.
std::optional<MpegAudioFrame> ReadMpegAudioFrame(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3);

// Offset from the frame's header where a Xing, Info or VBRI tag would stand
// in the first frame of a layer III stream: behind the side information.
uint32_t MpegAudioTagOffset(const MpegAudioFrame& frame);
