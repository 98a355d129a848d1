#include "carving/ZipCentralDirectoryHeader.h"

#include "carving/ZipFixedRecord.h"
#include "carving/ZipRecordSignature.h"

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

std::optional<ZipCentralDirectoryHeader> ReadZipCentralDirectoryHeader(const platform::LeBytes& bytes, uint64_t offset) {
    const auto fixed = CopyZipFixedRecord<kSize>(bytes, offset);
    return fixed ? Parse(*fixed) : std::nullopt;
}

std::optional<ZipCentralDirectoryHeader> ReadZipCentralDirectoryHeader(const CSectorWindow& window, uint64_t offset) {
    const auto fixed = CopyZipFixedRecord<kSize>(window, offset);
    return fixed ? Parse(*fixed) : std::nullopt;
}
