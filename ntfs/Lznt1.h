#pragma once
// LZNT1, the compression NTFS applies to each compression unit of a
// compressed stream. The compressed bytes are a run of chunks, each standing
// for at most 4096 bytes of output: a 16-bit header (size of the chunk minus
// 3 in bits 0-11, bit 15 set when the chunk is compressed) and then either
// the bytes themselves or groups of a flag byte and eight tokens, each a
// literal byte or a 16-bit back-reference into the chunk's own output.
#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr size_t kLznt1ChunkSize = 4096;

// Decompresses `input` into `output`, filling all of it: each chunk starts on
// the next 4096-byte boundary, a chunk that decodes short is padded with
// zeros, and so is everything after the last chunk (a zero header or the end
// of the input ends the data). False when the input is damaged: a truncated
// header or token, a chunk reaching past the input, a back-reference before
// the chunk's start, or a copy running past the chunk or the output. The
// output is then only partly written.
bool DecompressLznt1(std::span<const uint8_t> input, std::span<uint8_t> output);
