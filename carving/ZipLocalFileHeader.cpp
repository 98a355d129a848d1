#include "carving/ZipLocalFileHeader.h"

#include "carving/ZipFixedRecord.h"
#include "carving/ZipRecordSignature.h"

using namespace zip_local_header;

namespace {

using FixedBytes = std::array<uint8_t, kSize>;

std::optional<ZipLocalFileHeader> Parse(const FixedBytes& fixed) {
    const platform::LeBytes bytes(fixed);
    if (bytes.U32(0) != zip_signature::kLocalFileHeader) return std::nullopt;
    ZipLocalFileHeader header;
    header.flags = bytes.U16(kFlags);
    header.compressionMethod = bytes.U16(kCompressionMethod);
    header.compressedSize = bytes.U32(kCompressedSize);
    header.uncompressedSize = bytes.U32(kUncompressedSize);
    header.nameLength = bytes.U16(kNameLength);
    header.extraLength = bytes.U16(kExtraLength);
    return header;
}

}  // namespace

std::optional<ZipLocalFileHeader> ReadZipLocalFileHeader(const platform::LeBytes& bytes, uint64_t offset) {
    const auto fixed = CopyZipFixedRecord<kSize>(bytes, offset);
    return fixed ? Parse(*fixed) : std::nullopt;
}

std::optional<ZipLocalFileHeader> ReadZipLocalFileHeader(const CSectorWindow& window, uint64_t offset) {
    const auto fixed = CopyZipFixedRecord<kSize>(window, offset);
    return fixed ? Parse(*fixed) : std::nullopt;
}
