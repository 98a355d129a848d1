#pragma once
// SHA-256, for telling whether bytes are the ones seen before: the identity
// of a scanned source and the integrity of a saved scan.
#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace platform {

using Sha256Digest = std::array<uint8_t, 32>;

class Sha256 {
public:
    Sha256();
    void Update(std::span<const uint8_t> bytes);
    // The digest of everything given; the object is spent afterwards.
    Sha256Digest Finish();

private:
    void Compress(const uint8_t* block);

    std::array<uint32_t, 8> m_state;
    std::array<uint8_t, 64> m_block{};
    size_t m_blockUsed = 0;
    uint64_t m_length = 0;
};

Sha256Digest Sha256Of(std::span<const uint8_t> bytes);
// Lowercase hex of a digest.
std::string DigestHex(const Sha256Digest& digest);

}  // namespace platform
