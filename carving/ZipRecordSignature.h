#pragma once
// Every ZIP record opens with a 32-bit signature, "PK" and two bytes that
// tell which record it is. A walk over an archive reads the signature first
// and then the record it names.
#include <cstdint>
#include <optional>

namespace zip_signature {
constexpr uint32_t kLocalFileHeader = 0x04034B50;
constexpr uint32_t kDataDescriptor = 0x08074B50;
constexpr uint32_t kCentralDirectoryHeader = 0x02014B50;
constexpr uint32_t kEndOfCentralDirectory = 0x06054B50;
constexpr uint32_t kZip64EndOfCentralDirectory = 0x06064B50;
constexpr uint32_t kZip64Locator = 0x07064B50;
constexpr uint64_t kSize = 4;
}  // namespace zip_signature

// The signature at `offset` of `bytes` (a platform::LeBytes or a
// CSectorWindow); nothing when its four bytes are not all there.
template <typename Bytes>
std::optional<uint32_t> ReadZipRecordSignature(const Bytes& bytes, uint64_t offset) {
    if (!bytes.Has(offset, zip_signature::kSize)) return std::nullopt;
    return bytes.U32(offset);
}
