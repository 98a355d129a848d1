#include "ntfs/Lznt1.h"

#include "platform/LittleEndian.h"

#include <algorithm>

namespace {

constexpr uint16_t kChunkSizeMask = 0x0FFF;
constexpr uint16_t kChunkCompressed = 0x8000;
constexpr size_t kMinimumMatch = 3;

// A back-reference token splits into offset and length bits by how much of
// the chunk is already written: the further into the chunk, the more bits
// the offset needs (4 bits up to position 16, 12 bits near the end).
void SplitToken(uint16_t token, size_t position, size_t& offset, size_t& length) {
    unsigned lengthBitsLost = 0;
    for (size_t p = position - 1; p >= 0x10; p >>= 1) ++lengthBitsLost;
    offset = static_cast<size_t>(token >> (12 - lengthBitsLost)) + 1;
    length = static_cast<size_t>(token & (0x0FFF >> lengthBitsLost)) + kMinimumMatch;
}

// Decodes the tokens of one compressed chunk into `target` (at most one
// chunk of output) and pads what it leaves with zeros.
bool DecompressChunk(std::span<const uint8_t> body, std::span<uint8_t> target) {
    const platform::LeBytes bytes(body);
    size_t in = 0;
    size_t out = 0;
    while (in < body.size()) {
        const uint8_t flags = body[in++];
        for (unsigned bit = 0; bit < 8 && in < body.size(); ++bit) {
            if (((flags >> bit) & 1) == 0) {
                if (out >= target.size()) return false;
                target[out++] = body[in++];
                continue;
            }
            if (!bytes.Has(in, 2) || out == 0) return false;
            size_t offset = 0;
            size_t length = 0;
            SplitToken(bytes.U16(in), out, offset, length);
            in += 2;
            if (offset > out || length > target.size() - out) return false;
            // Byte by byte: a reference may overlap the bytes it produces.
            for (size_t i = 0; i < length; ++i, ++out) target[out] = target[out - offset];
        }
    }
    std::fill(target.begin() + static_cast<std::ptrdiff_t>(out), target.end(), uint8_t{0});
    return true;
}

}  // namespace

bool DecompressLznt1(std::span<const uint8_t> input, std::span<uint8_t> output) {
    const platform::LeBytes bytes(input);
    size_t in = 0;
    size_t out = 0;
    while (out < output.size() && in < input.size()) {
        if (!bytes.Has(in, 2)) {
            if (input[in] != 0) return false;  // half a header
            break;
        }
        const uint16_t header = bytes.U16(in);
        if (header == 0) break;
        const size_t chunkBytes = static_cast<size_t>(header & kChunkSizeMask) + 1;
        if (!bytes.Has(in + 2, chunkBytes)) return false;
        const std::span<const uint8_t> body = input.subspan(in + 2, chunkBytes);
        const std::span<uint8_t> target = output.subspan(out, std::min(kLznt1ChunkSize, output.size() - out));
        if ((header & kChunkCompressed) != 0) {
            if (!DecompressChunk(body, target)) return false;
        } else {
            // A chunk that did not shrink is stored as it is.
            if (body.size() > target.size()) return false;
            std::ranges::copy(body, target.begin());
            std::fill(target.begin() + static_cast<std::ptrdiff_t>(body.size()), target.end(), uint8_t{0});
        }
        in += 2 + chunkBytes;
        out += target.size();
    }
    std::fill(output.begin() + static_cast<std::ptrdiff_t>(out), output.end(), uint8_t{0});
    return true;
}
