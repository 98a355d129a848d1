#include "carving/ZipLocalFileHeader.h"

#include "carving/ZipRecordSignature.h"

namespace {

template <typename Bytes>
std::optional<ZipLocalFileHeader> ReadHeader(const Bytes& bytes, uint64_t offset) {
    using namespace zip_local_header;
    if (!bytes.Has(offset, kSize) || bytes.U32(offset) != zip_signature::kLocalFileHeader) return std::nullopt;
    ZipLocalFileHeader header;
    header.flags = bytes.U16(offset + kFlags);
    header.compressionMethod = bytes.U16(offset + kCompressionMethod);
    header.compressedSize = bytes.U32(offset + kCompressedSize);
    header.uncompressedSize = bytes.U32(offset + kUncompressedSize);
    header.nameLength = bytes.U16(offset + kNameLength);
    header.extraLength = bytes.U16(offset + kExtraLength);
    return header;
}

}  // namespace

std::optional<ZipLocalFileHeader> ReadZipLocalFileHeader(const platform::LeBytes& bytes, uint64_t offset) {
    return ReadHeader(bytes, offset);
}

std::optional<ZipLocalFileHeader> ReadZipLocalFileHeader(const CSectorWindow& window, uint64_t offset) {
    return ReadHeader(window, offset);
}
