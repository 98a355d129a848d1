#include "carving/ZipCentralDirectoryHeader.h"

#include "carving/ZipRecordSignature.h"

namespace {

template <typename Bytes>
std::optional<ZipCentralDirectoryHeader> ReadHeader(const Bytes& bytes, uint64_t offset) {
    using namespace zip_central_header;
    if (!bytes.Has(offset, kSize) || bytes.U32(offset) != zip_signature::kCentralDirectoryHeader)
        return std::nullopt;
    ZipCentralDirectoryHeader header;
    header.flags = bytes.U16(offset + kFlags);
    header.compressedSize = bytes.U32(offset + kCompressedSize);
    header.uncompressedSize = bytes.U32(offset + kUncompressedSize);
    header.nameLength = bytes.U16(offset + kNameLength);
    header.extraLength = bytes.U16(offset + kExtraLength);
    header.commentLength = bytes.U16(offset + kCommentLength);
    return header;
}

}  // namespace

std::optional<ZipCentralDirectoryHeader> ReadZipCentralDirectoryHeader(const platform::LeBytes& bytes,
                                                                       uint64_t offset) {
    return ReadHeader(bytes, offset);
}

std::optional<ZipCentralDirectoryHeader> ReadZipCentralDirectoryHeader(const CSectorWindow& window,
                                                                       uint64_t offset) {
    return ReadHeader(window, offset);
}
