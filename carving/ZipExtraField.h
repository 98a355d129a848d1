#pragma once
// The extra field of a ZIP header: a run of fields, each a 16-bit id, a
// 16-bit data size and that many bytes of data. The ZIP64 extended
// information field (id 1) holds the 64-bit values whose 32-bit header
// fields are all ones, in a fixed order: uncompressed size, compressed
// size, local header offset, disk number, each present only when its
// header field is all ones.
#include "platform/LittleEndian.h"

#include <cstdint>
#include <optional>

namespace zip_extra_field {
constexpr uint64_t kId = 0;
constexpr uint64_t kDataSize = 2;
// The id and the data size; the data follows them.
constexpr uint64_t kHeaderSize = 4;
constexpr uint16_t kZip64Id = 0x0001;
}  // namespace zip_extra_field

// A 32-bit size of all ones: the size is in the ZIP64 extended information field.
constexpr uint32_t kZipSizeInZip64Field = 0xFFFFFFFF;

// The data of the first field with `id` among `fields`; nothing when there
// is none or its data runs past them.
std::optional<platform::LeBytes> ReadZipExtraField(const platform::LeBytes& fields, uint16_t id);

// The 64-bit compressed size of the ZIP64 extended information field among
// `fields`; `uncompressedFirst` when the header's uncompressed size is all
// ones too, so that the field holds it first. Nothing when there is no such
// field or it is too short.
std::optional<uint64_t> ReadZip64CompressedSize(const platform::LeBytes& fields, bool uncompressedFirst);
