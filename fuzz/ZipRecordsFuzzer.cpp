// Every ZIP record reader at every offset of the input, from the plain
// buffer the preview reads and from the carving window, whole and split in
// two reads where the first two bytes say, at a file offset the next eight
// bytes give: all must agree, a record read must lie inside the bytes, and
// an extra field's data inside its header's extra field.
#include "carving/Zip64EndOfCentralDirectory.h"
#include "carving/ZipCentralDirectoryHeader.h"
#include "carving/ZipEndOfCentralDirectory.h"
#include "carving/ZipExtraField.h"
#include "carving/ZipLocalFileHeader.h"
#include "carving/ZipRecordSignature.h"

#include <cstdlib>

namespace {

constexpr size_t kLeadBytes = 10;
constexpr size_t kMaxInput = 64 * 1024;

void Check(bool condition) {
    if (!condition) std::abort();
}

// Both readings agree, and a record read has all its fixed bytes there.
template <typename Record>
void Agree(const std::optional<Record>& first, const std::optional<Record>& second, const platform::LeBytes& bytes,
           uint64_t at, uint64_t size) {
    Check(first == second);
    Check(!first || bytes.Has(at, size));
}

void CheckExtraFields(const platform::LeBytes& fields) {
    for (uint16_t id : {zip_extra_field::kZip64Id, uint16_t(0x5455), uint16_t(0x7875)}) {
        const auto data = ReadZipExtraField(fields, id);
        Check(!data || data->Size() + zip_extra_field::kHeaderSize <= fields.Size());
    }
    (void)ReadZip64CompressedSize(fields, false);
    (void)ReadZip64CompressedSize(fields, true);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kLeadBytes || size > kMaxInput) return 0;
    const std::span<const uint8_t> bytes(data + kLeadBytes, size - kLeadBytes);
    const size_t split = (data[0] | size_t(data[1]) << 8) % (bytes.size() + 1);
    // Any file offset a carving window can have, far enough from the top
    // that its end does not wrap.
    uint64_t base = 0;
    for (size_t i = 0; i < 8; ++i) base |= uint64_t(data[2 + i]) << (8 * i);
    base >>= 1;

    const platform::LeBytes flat(bytes);
    const CSectorWindow whole(base, bytes);
    const CSectorWindow twoReads(base + split, bytes.subspan(split), bytes.first(split));
    for (uint64_t at = 0; at <= bytes.size(); ++at) {
        const uint64_t offset = base + at;
        Check(ReadZipRecordSignature(flat, at) == ReadZipRecordSignature(twoReads, offset));

        const auto local = ReadZipLocalFileHeader(flat, at);
        Agree(local, ReadZipLocalFileHeader(twoReads, offset), flat, at, zip_local_header::kSize);
        Check(local == ReadZipLocalFileHeader(whole, offset));
        if (local) Check(local->RecordLength() >= local->DataOffset() && local->DataOffset() >= zip_local_header::kSize);

        const auto central = ReadZipCentralDirectoryHeader(flat, at);
        Agree(central, ReadZipCentralDirectoryHeader(twoReads, offset), flat, at, zip_central_header::kSize);
        Check(central == ReadZipCentralDirectoryHeader(whole, offset));
        if (central) {
            Check(central->RecordLength() >= central->ExtraOffset());
            CheckExtraFields(flat.Sub(at + central->ExtraOffset(), central->extraLength));
        }

        Agree(ReadZipEndOfCentralDirectory(whole, offset), ReadZipEndOfCentralDirectory(twoReads, offset), flat, at,
              zip_end_record::kSize);
        Agree(ReadZip64EndRecordLength(whole, offset), ReadZip64EndRecordLength(twoReads, offset), flat, at,
              zip64_end_record::kLeadSize);
        Agree(ReadZip64EndOfCentralDirectory(whole, offset), ReadZip64EndOfCentralDirectory(twoReads, offset), flat,
              at, zip64_end_record::kSize);
    }
    // Nothing lies before the window's first byte, nor past its last.
    if (base > 0) Check(!ReadZipRecordSignature(twoReads, base - 1));
    Check(!ReadZipLocalFileHeader(twoReads, base + bytes.size() + 1));
    CheckExtraFields(flat);
    return 0;
}
