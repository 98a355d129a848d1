#include "platform/Sha256.h"

#include <algorithm>
#include <cstdio>

namespace platform {
namespace {

constexpr std::array<uint32_t, 64> kRound = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

uint32_t Rotate(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

}  // namespace

Sha256::Sha256()
    : m_state{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19} {}

void Sha256::Compress(const uint8_t* block) {
    uint32_t w[64];
    for (int i = 0; i < 16; ++i)
        w[i] = uint32_t(block[4 * i]) << 24 | uint32_t(block[4 * i + 1]) << 16 | uint32_t(block[4 * i + 2]) << 8 |
               block[4 * i + 3];
    for (int i = 16; i < 64; ++i) {
        uint32_t s0 = Rotate(w[i - 15], 7) ^ Rotate(w[i - 15], 18) ^ (w[i - 15] >> 3);
        uint32_t s1 = Rotate(w[i - 2], 17) ^ Rotate(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    auto v = m_state;
    for (int i = 0; i < 64; ++i) {
        uint32_t s1 = Rotate(v[4], 6) ^ Rotate(v[4], 11) ^ Rotate(v[4], 25);
        uint32_t ch = (v[4] & v[5]) ^ (~v[4] & v[6]);
        uint32_t t1 = v[7] + s1 + ch + kRound[i] + w[i];
        uint32_t s0 = Rotate(v[0], 2) ^ Rotate(v[0], 13) ^ Rotate(v[0], 22);
        uint32_t maj = (v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]);
        uint32_t t2 = s0 + maj;
        v = {t1 + t2, v[0], v[1], v[2], v[3] + t1, v[4], v[5], v[6]};
    }
    for (int i = 0; i < 8; ++i) m_state[i] += v[i];
}

void Sha256::Update(std::span<const uint8_t> bytes) {
    m_length += bytes.size();
    size_t at = 0;
    if (m_blockUsed != 0) {
        size_t take = std::min(bytes.size(), m_block.size() - m_blockUsed);
        std::copy_n(bytes.begin(), take, m_block.begin() + m_blockUsed);
        m_blockUsed += take;
        at = take;
        if (m_blockUsed < m_block.size()) return;
        Compress(m_block.data());
        m_blockUsed = 0;
    }
    for (; bytes.size() - at >= 64; at += 64) Compress(bytes.data() + at);
    std::copy(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.end(), m_block.begin());
    m_blockUsed = bytes.size() - at;
}

Sha256Digest Sha256::Finish() {
    const uint64_t bitLength = m_length * 8;
    // The 0x80 marker and the bit length fill one or two last blocks.
    uint8_t tail[128] = {0x80};
    const size_t tailSize = m_blockUsed + 9 <= 64 ? 64 - m_blockUsed : 128 - m_blockUsed;
    for (int i = 0; i < 8; ++i) tail[tailSize - 1 - i] = uint8_t(bitLength >> (8 * i));
    Update(std::span<const uint8_t>(tail, tailSize));
    Sha256Digest digest;
    for (int i = 0; i < 8; ++i)
        for (int b = 0; b < 4; ++b) digest[4 * i + b] = uint8_t(m_state[i] >> (24 - 8 * b));
    return digest;
}

Sha256Digest Sha256Of(std::span<const uint8_t> bytes) {
    Sha256 hash;
    hash.Update(bytes);
    return hash.Finish();
}

std::string DigestHex(const Sha256Digest& digest) {
    std::string hex;
    char part[3];
    for (uint8_t byte : digest) {
        std::snprintf(part, sizeof part, "%02x", byte);
        hex += part;
    }
    return hex;
}

}  // namespace platform
