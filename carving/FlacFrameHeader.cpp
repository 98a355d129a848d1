#include "carving/FlacFrameHeader.h"

#include <array>

namespace {

constexpr std::array<uint8_t, 256> MakeCrc8Table() {
    std::array<uint8_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned crc = i;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x80) ? (crc << 1) ^ 0x07 : crc << 1;
        table[i] = static_cast<uint8_t>(crc);
    }
    return table;
}

constexpr std::array<uint16_t, 256> MakeCrc16Table() {
    std::array<uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned crc = i << 8;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x8000) ? (crc << 1) ^ 0x8005 : crc << 1;
        table[i] = static_cast<uint16_t>(crc);
    }
    return table;
}

constexpr auto kCrc8 = MakeCrc8Table();
constexpr auto kCrc16 = MakeCrc16Table();

}  // namespace

uint8_t FlacCrc8Add(uint8_t crc, uint8_t byte) { return kCrc8[crc ^ byte]; }

uint16_t FlacCrc16Add(uint16_t crc, uint8_t byte) {
    return static_cast<uint16_t>(crc << 8 ^ kCrc16[(crc >> 8) ^ byte]);
}

FlacHeaderRead ReadFlacFrameHeader(const CSectorWindow& data, uint64_t offset, FlacFrameHeader& header) {
    if (!data.Has(offset, 4)) return FlacHeaderRead::Wait;
    const uint8_t b1 = data.U8(offset + 1);
    const uint8_t b2 = data.U8(offset + 2);
    const uint8_t b3 = data.U8(offset + 3);
    if (data.U8(offset) != 0xFF || (b1 & 0xFE) != 0xF8) return FlacHeaderRead::Invalid;
    const unsigned blockCode = b2 >> 4;
    const unsigned rateCode = b2 & 15;
    const unsigned channels = b3 >> 4;
    const unsigned sizeCode = (b3 >> 1) & 7;
    if (blockCode == 0 || rateCode == 15 || channels > 10 || sizeCode == 3 || (b3 & 1) != 0) {
        return FlacHeaderRead::Invalid;
    }
    header.variable = (b1 & 1) != 0;
    header.streamBits = uint32_t(b1) << 16 | uint32_t(rateCode) << 8 | b3;

    // The frame or sample number, coded as UTF-8 extended to 36 bits.
    uint64_t at = offset + 4;
    if (!data.Has(at, 1)) return FlacHeaderRead::Wait;
    const uint8_t lead = data.U8(at++);
    unsigned more = 0;
    uint64_t number = lead;
    if (lead >= 0x80) {
        while (more < 7 && (lead << (more + 1) & 0x80)) ++more;
        if (more == 0 || more > 6 || (more == 6 && !header.variable)) return FlacHeaderRead::Invalid;
        number = lead & (0x3F >> more);
    }
    if (!data.Has(at, more + 5)) return FlacHeaderRead::Wait;
    for (unsigned i = 0; i < more; ++i) {
        const uint8_t next = data.U8(at++);
        if ((next & 0xC0) != 0x80) return FlacHeaderRead::Invalid;
        number = number << 6 | (next & 0x3F);
    }
    header.number = number;

    if (blockCode == 1) {
        header.blockSize = 192;
    } else if (blockCode <= 5) {
        header.blockSize = 576u << (blockCode - 2);
    } else if (blockCode == 6) {
        header.blockSize = data.U8(at++) + 1u;
    } else if (blockCode == 7) {
        header.blockSize = data.BigU16(at) + 1u;
        at += 2;
    } else {
        header.blockSize = 256u << (blockCode - 8);
    }
    if (rateCode == 12) at += 1;
    if (rateCode == 13 || rateCode == 14) at += 2;

    uint8_t crc = 0;
    for (uint64_t i = offset; i < at; ++i) crc = FlacCrc8Add(crc, data.U8(i));
    if (crc != data.U8(at)) return FlacHeaderRead::Invalid;
    header.length = static_cast<uint32_t>(at + 1 - offset);
    return FlacHeaderRead::Valid;
}
