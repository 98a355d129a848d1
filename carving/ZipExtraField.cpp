#include "carving/ZipExtraField.h"

using namespace zip_extra_field;

namespace {

constexpr uint64_t kSizeBytes = 8;

}  // namespace

std::optional<platform::LeBytes> ReadZipExtraField(const platform::LeBytes& fields, uint16_t id) {
    for (uint64_t at = 0; fields.Has(at, kHeaderSize);) {
        const uint64_t dataSize = fields.U16(at + kDataSize);
        if (!fields.Has(at + kHeaderSize, dataSize)) return std::nullopt;
        if (fields.U16(at + kId) == id) return fields.Sub(at + kHeaderSize, dataSize);
        at += kHeaderSize + dataSize;
    }
    return std::nullopt;
}

std::optional<uint64_t> ReadZip64CompressedSize(const platform::LeBytes& fields, bool uncompressedFirst) {
    const std::optional<platform::LeBytes> data = ReadZipExtraField(fields, kZip64Id);
    const uint64_t at = uncompressedFirst ? kSizeBytes : 0;
    if (!data || !data->Has(at, kSizeBytes)) return std::nullopt;
    return data->U64(at);
}
