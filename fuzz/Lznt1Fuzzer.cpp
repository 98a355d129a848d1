// LZNT1 decompression of the input after its first byte, into an output of
// 1 to 16 chunks (the low four bits of the first byte), cut short of a whole
// chunk when bit 0x10 is set. Every length in the input is checked against
// both buffers, so nothing may be read or written outside them.
#include "ntfs/Lznt1.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    size_t outputSize = (size_t(data[0] & 0x0F) + 1) * kLznt1ChunkSize;
    if ((data[0] & 0x10) != 0) outputSize -= 1000;
    std::vector<uint8_t> output(outputSize, 0xA5);
    const std::span<const uint8_t> input(data + 1, size - 1);
    if (DecompressLznt1(input, output)) {
        // Decoding is a function of the input: a second pass gives the same bytes.
        std::vector<uint8_t> again(outputSize, 0x5A);
        if (!DecompressLznt1(input, again) || again != output) std::abort();
    }
    return 0;
}
