#include "carving/MpegAudioFrame.h"

namespace {

// Kilobits per second by bit rate index 1 to 14.
constexpr uint16_t kRates[5][14] = {
    {32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // MPEG 1 layer I
    {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // MPEG 1 layer II
    {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},      // MPEG 1 layer III
    {32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},     // MPEG 2 and 2.5 layer I
    {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},          // MPEG 2 and 2.5 layers II, III
};
constexpr uint32_t kSampleRates[3] = {44100, 48000, 32000};

}  // namespace

std::optional<MpegAudioFrame> ReadMpegAudioFrame(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
    if (b0 != 0xFF || (b1 & 0xE0) != 0xE0) return std::nullopt;
    const unsigned version = (b1 >> 3) & 3;
    const unsigned layer = (b1 >> 1) & 3;
    const unsigned rateIndex = b2 >> 4;
    const unsigned sampleIndex = (b2 >> 2) & 3;
    const unsigned emphasis = b3 & 3;
    if (version == 1 || layer == 0 || rateIndex == 0 || rateIndex == 15 || sampleIndex == 3 || emphasis == 2) {
        return std::nullopt;
    }
    const bool mpeg1 = version == 3;
    const unsigned table = mpeg1 ? 3 - layer : (layer == 3 ? 3 : 4);
    const uint32_t bitRate = kRates[table][rateIndex - 1] * 1000u;
    // MPEG 2 halves the sample rate, MPEG 2.5 quarters it.
    const uint32_t sampleRate = kSampleRates[sampleIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
    const uint32_t padding = (b2 >> 1) & 1;

    MpegAudioFrame frame;
    frame.version = static_cast<uint8_t>(version);
    frame.layer = static_cast<uint8_t>(layer);
    frame.mono = (b3 >> 6) == 3;
    frame.protectedByCrc = (b1 & 1) == 0;
    frame.streamBits = uint32_t(b1 & 0x1E) << 8 | (b2 & 0x0C);
    if (layer == 3) {
        frame.length = (12 * bitRate / sampleRate + padding) * 4;
    } else if (layer == 2 || mpeg1) {
        frame.length = 144 * bitRate / sampleRate + padding;
    } else {
        frame.length = 72 * bitRate / sampleRate + padding;  // layer III of MPEG 2 and 2.5
    }
    return frame;
}

uint32_t MpegAudioTagOffset(const MpegAudioFrame& frame) {
    uint32_t sideInfo = frame.version == 3 ? (frame.mono ? 17 : 32) : (frame.mono ? 9 : 17);
    return 4 + (frame.protectedByCrc ? 2 : 0) + sideInfo;
}
