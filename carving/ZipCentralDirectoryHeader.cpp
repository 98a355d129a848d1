#include "carving/ZipCentralDirectoryHeader.h"

#include "carving/ZipRecordSignature.h"

#include <algorithm>
#include <array>

using namespace zip_central_header;

namespace {

using FixedBytes = std::array<uint8_t, kSize>;

std::optional<ZipCentralDirectoryHeader> Parse(const FixedBytes& fixed) {
    const platform::LeBytes bytes(fixed);
    if (bytes.U32(0) != zip_signature::kCentralDirectoryHeader) return std::nullopt;
    ZipCentralDirectoryHeader header;
    header.flags = bytes.U16(kFlags);
    header.compressedSize = bytes.U32(kCompressedSize);
    header.uncompressedSize = bytes.U32(kUncompressedSize);
    header.nameLength = bytes.U16(kNameLength);
    header.extraLength = bytes.U16(kExtraLength);
    header.commentLength = bytes.U16(kCommentLength);
    return header;
}

}  // namespace

std::optional<ZipCentralDirectoryHeader> ReadZipCentralDirectoryHeader(const platform::LeBytes& bytes,
                                                                       uint64_t offset) {
    if (!bytes.Has(offset, kSize)) return std::nullopt;
    FixedBytes fixed;
    std::ranges::copy(bytes.Span().subspan(offset, kSize), fixed.begin());
    return Parse(fixed);
}

std::optional<ZipCentralDirectoryHeader> ReadZipCentralDirectoryHeader(const CSectorWindow& window,
                                                                       uint64_t offset) {
    if (const auto bytes = window.InCurrentRead(offset, kSize)) return ReadZipCentralDirectoryHeader(*bytes, 0);
    // A header that straddles the two reads is put together byte by byte.
    if (!window.Has(offset, kSize)) return std::nullopt;
    FixedBytes fixed;
    for (uint64_t i = 0; i < kSize; ++i) fixed[i] = window.U8(offset + i);
    return Parse(fixed);
}
