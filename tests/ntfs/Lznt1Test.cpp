#include "ntfs/Lznt1.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

namespace {

// One token of a compressed chunk: a literal byte or a back-reference.
struct Ref {
    size_t offset;
    size_t length;
};
using Token = std::variant<uint8_t, Ref>;

// Offset bits grow with the position in the chunk: 4 up to 16 bytes written,
// one more each time the position passes the next power of two.
unsigned OffsetBits(size_t position) {
    unsigned bits = 4;
    while ((size_t(1) << bits) < position) ++bits;
    return bits;
}

// Encodes tokens as one compressed chunk, header included.
std::vector<uint8_t> CompressedChunk(const std::vector<Token>& tokens) {
    std::vector<uint8_t> body;
    size_t position = 0;
    for (size_t i = 0; i < tokens.size(); i += 8) {
        size_t flagsAt = body.size();
        body.push_back(0);
        for (size_t k = i; k < tokens.size() && k < i + 8; ++k) {
            if (auto* literal = std::get_if<uint8_t>(&tokens[k])) {
                body.push_back(*literal);
                ++position;
                continue;
            }
            const Ref ref = std::get<Ref>(tokens[k]);
            const unsigned lengthBits = 16 - OffsetBits(position);
            const uint16_t token = static_cast<uint16_t>(((ref.offset - 1) << lengthBits) | (ref.length - 3));
            body[flagsAt] |= static_cast<uint8_t>(1u << (k - i));
            body.push_back(token & 0xFF);
            body.push_back(token >> 8);
            position += ref.length;
        }
    }
    const uint16_t header = static_cast<uint16_t>(0xB000 | (body.size() - 1));
    body.insert(body.begin(), {static_cast<uint8_t>(header & 0xFF), static_cast<uint8_t>(header >> 8)});
    return body;
}

std::vector<uint8_t> StoredChunk(const std::vector<uint8_t>& bytes) {
    const uint16_t header = static_cast<uint16_t>(0x3000 | (bytes.size() - 1));
    std::vector<uint8_t> chunk{static_cast<uint8_t>(header & 0xFF), static_cast<uint8_t>(header >> 8)};
    chunk.insert(chunk.end(), bytes.begin(), bytes.end());
    return chunk;
}

std::vector<Token> Literals(const std::string& text) {
    std::vector<Token> tokens;
    for (char c : text) tokens.emplace_back(static_cast<uint8_t>(c));
    return tokens;
}

std::vector<uint8_t> Pattern(size_t size, unsigned seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>((i * 7 + seed) % 251);
    return bytes;
}

TEST(Lznt1, StoredAndCompressedChunksFillTheirOwn4KiB) {
    const std::vector<uint8_t> stored = Pattern(kLznt1ChunkSize, 3);
    std::vector<Token> tokens = Literals("abc");
    tokens.push_back(Ref{3, 9});  // overlapping copy: abcabcabc
    std::vector<uint8_t> input = StoredChunk(stored);
    const std::vector<uint8_t> compressed = CompressedChunk(tokens);
    input.insert(input.end(), compressed.begin(), compressed.end());

    std::vector<uint8_t> output(4 * kLznt1ChunkSize, 0xEE);
    ASSERT_TRUE(DecompressLznt1(input, output));
    EXPECT_TRUE(std::equal(stored.begin(), stored.end(), output.begin()));
    EXPECT_EQ(std::string(output.begin() + 4096, output.begin() + 4096 + 12), "abcabcabcabc");
    // The short second chunk and everything after the data read as zeros.
    EXPECT_TRUE(std::all_of(output.begin() + 4096 + 12, output.end(), [](uint8_t b) { return b == 0; }));
}

TEST(Lznt1, OffsetAndLengthSplitFollowsThePositionInTheChunk) {
    // Just before and after each step of the split, a reference back to the
    // chunk's first byte must copy exactly the first three bytes.
    for (size_t position : {1u, 15u, 16u, 17u, 32u, 33u, 64u, 65u, 1000u, 2048u, 2049u, 3000u}) {
        const std::vector<uint8_t> head = Pattern(position, 11);
        std::vector<Token> tokens(head.begin(), head.end());
        tokens.push_back(Ref{position, 3});
        std::vector<uint8_t> output(kLznt1ChunkSize);
        ASSERT_TRUE(DecompressLznt1(CompressedChunk(tokens), output)) << position;
        EXPECT_TRUE(std::equal(head.begin(), head.end(), output.begin())) << position;
        EXPECT_TRUE(std::equal(head.begin(), head.begin() + std::min<size_t>(3, position), output.begin() + position))
            << "at position " << position;
    }
    // The longest copy at the start of a chunk: 12 length bits.
    std::vector<Token> tokens = Literals("z");
    tokens.push_back(Ref{1, 4095});
    std::vector<uint8_t> output(kLznt1ChunkSize);
    ASSERT_TRUE(DecompressLznt1(CompressedChunk(tokens), output));
    EXPECT_TRUE(std::all_of(output.begin(), output.end(), [](uint8_t b) { return b == 'z'; }));
}

TEST(Lznt1, BackReferencesNeverReachIntoThePreviousChunk) {
    const std::vector<uint8_t> first = StoredChunk(Pattern(kLznt1ChunkSize, 5));
    for (const std::vector<Token>& second : {std::vector<Token>{Ref{1, 3}},  // nothing written yet
                                             std::vector<Token>{uint8_t{'x'}, Ref{2, 3}}}) {
        std::vector<uint8_t> input = first;
        const std::vector<uint8_t> chunk = CompressedChunk(second);
        input.insert(input.end(), chunk.begin(), chunk.end());
        std::vector<uint8_t> output(2 * kLznt1ChunkSize);
        EXPECT_FALSE(DecompressLznt1(input, output));
    }
    // The same reference inside the second chunk's own output is fine.
    std::vector<uint8_t> input = first;
    const std::vector<uint8_t> chunk = CompressedChunk({uint8_t{'x'}, uint8_t{'y'}, Ref{2, 4}});
    input.insert(input.end(), chunk.begin(), chunk.end());
    std::vector<uint8_t> output(2 * kLznt1ChunkSize);
    ASSERT_TRUE(DecompressLznt1(input, output));
    EXPECT_EQ(std::string(output.begin() + 4096, output.begin() + 4102), "xyxyxy");
}

TEST(Lznt1, DamagedInputFails) {
    std::vector<uint8_t> output(2 * kLznt1ChunkSize);
    EXPECT_FALSE(DecompressLznt1(std::vector<uint8_t>{0x05}, output)) << "half a header";
    std::vector<uint8_t> cut = StoredChunk(Pattern(100, 1));
    cut.resize(60);
    EXPECT_FALSE(DecompressLznt1(cut, output)) << "chunk reaching past the input";

    std::vector<uint8_t> halfToken = CompressedChunk({uint8_t{'a'}, Ref{1, 3}});
    halfToken.pop_back();
    halfToken[0] = static_cast<uint8_t>(halfToken[0] - 1);  // the header follows the shorter chunk
    EXPECT_FALSE(DecompressLznt1(halfToken, output)) << "token cut in half";

    // A copy that would run past the chunk's 4096 bytes.
    const std::vector<Token> tokens{uint8_t{'a'}, Ref{1, 4089}, Ref{10, 10}};
    EXPECT_FALSE(DecompressLznt1(CompressedChunk(tokens), output)) << "copy past the chunk";
    // And one that would run past a shorter output.
    std::vector<uint8_t> small(100);
    EXPECT_FALSE(DecompressLznt1(CompressedChunk({uint8_t{'a'}, Ref{1, 200}}), small)) << "copy past the output";
    std::vector<uint8_t> literalsPast = CompressedChunk(Literals(std::string(120, 'q')));
    EXPECT_FALSE(DecompressLznt1(literalsPast, small)) << "literals past the output";
}

TEST(Lznt1, ZeroHeaderEndsTheDataAndLeavesZeros) {
    std::vector<uint8_t> input = CompressedChunk(Literals("hello"));
    input.insert(input.end(), {0, 0});
    const std::vector<uint8_t> ignored = StoredChunk(Pattern(50, 9));
    input.insert(input.end(), ignored.begin(), ignored.end());
    std::vector<uint8_t> output(2 * kLznt1ChunkSize, 0xEE);
    ASSERT_TRUE(DecompressLznt1(input, output));
    EXPECT_EQ(std::string(output.begin(), output.begin() + 5), "hello");
    EXPECT_TRUE(std::all_of(output.begin() + 5, output.end(), [](uint8_t b) { return b == 0; }));
    std::vector<uint8_t> none(kLznt1ChunkSize, 0xEE);
    ASSERT_TRUE(DecompressLznt1({}, none));
    EXPECT_EQ(none.front(), 0);
}

}  // namespace
