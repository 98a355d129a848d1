#include "results/ZipListing.h"

#include "carving/ZipCentralDirectoryHeader.h"
#include "carving/ZipExtraField.h"
#include "carving/ZipRecordSignature.h"
#include "platform/LittleEndian.h"
#include "platform/TextConvert.h"
#include "results/ResultList.h"

#include <optional>

namespace {

// A listed name holds at most 259 units, as the list page always did.
constexpr size_t kMaxNameUnits = 259;

// The first central-directory header at offset 1 or later; size - 4 (where
// no header fits) when there is none.
uint64_t FindCentralDirectory(const platform::LeBytes& bytes) {
    uint64_t last = bytes.Size() - zip_signature::kSize;
    for (uint64_t offset = 1; offset <= last; ++offset)
        if (bytes.U32(offset) == zip_signature::kCentralDirectoryHeader) return offset;
    return last;
}

// A size of all ones stands for the 64-bit value in the entry's ZIP64
// extra field; the header's own value stays when that field is missing.
uint64_t CompressedSize(const ZipCentralDirectoryHeader& header, const platform::LeBytes& extra) {
    if (header.compressedSize != kZipSizeInZip64Field) return header.compressedSize;
    return ReadZip64CompressedSize(extra, header.uncompressedSize == kZipSizeInZip64Field)
        .value_or(header.compressedSize);
}

std::u16string EntryName(const platform::LeBytes& name, bool utf8) {
    std::u16string text = utf8 ? platform::FromUtf8(std::string_view(reinterpret_cast<const char*>(name.Data()),
                                                                      name.Size()))
                               : platform::FromCodePage(name.Span());
    if (text.size() > kMaxNameUnits) {
        size_t keep = kMaxNameUnits - 1;
        if (text[keep - 1] >= 0xD800 && text[keep - 1] <= 0xDBFF) --keep;
        text = text.substr(0, keep) + u"…";
    }
    return text;
}

}  // namespace

ZipListing ListZipEntries(std::span<const uint8_t> archive) {
    ZipListing listing;
    platform::LeBytes bytes(archive);
    if (ReadZipRecordSignature(bytes, 0) != zip_signature::kLocalFileHeader) {
        listing.damaged = true;
        return listing;
    }
    for (uint64_t at = FindCentralDirectory(bytes);;) {
        const std::optional<ZipCentralDirectoryHeader> header = ReadZipCentralDirectoryHeader(bytes, at);
        if (!header) break;
        const uint64_t nameAt = at + zip_central_header::kSize;
        if (!bytes.Has(nameAt, header->nameLength)) break;
        platform::LeBytes name = bytes.Sub(nameAt, header->nameLength);
        // The extra field may run past a truncated archive; the size then
        // comes from the fixed header alone.
        platform::LeBytes extra = bytes.Sub(at + header->ExtraOffset(), header->extraLength);
        listing.text += EntryName(name, header->NameIsUtf8());
        if (uint64_t size = CompressedSize(*header, extra); size != 0) listing.text += u"   [" + SizeText(size) + u"]";
        listing.text += u"\r\n";
        at += header->RecordLength();
    }
    return listing;
}
