#include "results/ZipListing.h"

#include "platform/LittleEndian.h"
#include "platform/TextConvert.h"
#include "results/ResultList.h"

namespace {

constexpr uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr uint32_t kCentralHeaderSignature = 0x02014B50;
constexpr uint64_t kCentralHeaderSize = 46;
constexpr uint16_t kUtf8NamesFlag = 1 << 11;
constexpr uint16_t kZip64ExtraId = 0x0001;
// A listed name holds at most 259 units, as the list page always did.
constexpr size_t kMaxNameUnits = 259;

// The first central-directory header at offset 1 or later; size - 4 (where
// no header fits) when there is none.
uint64_t FindCentralDirectory(const platform::LeBytes& bytes) {
    uint64_t last = bytes.Size() - 4;
    for (uint64_t offset = 1; offset <= last; ++offset)
        if (bytes.U32(offset) == kCentralHeaderSignature) return offset;
    return last;
}

// A size of 0xFFFFFFFF stands for the 64-bit value in the entry's Zip64
// extra field: uncompressed size first, then the compressed size, each
// present only when its 32-bit field is all ones.
uint64_t CompressedSize(const platform::LeBytes& header, const platform::LeBytes& extra) {
    uint64_t compressed = header.U32(20);
    if (compressed != 0xFFFFFFFF) return compressed;
    for (uint64_t at = 0; extra.Has(at, 4);) {
        uint16_t id = extra.U16(at);
        uint16_t length = extra.U16(at + 2);
        platform::LeBytes field = extra.Sub(at + 4, length);
        if (id == kZip64ExtraId) {
            uint64_t position = header.U32(24) == 0xFFFFFFFF ? 8 : 0;
            return field.Has(position, 8) ? field.U64(position) : compressed;
        }
        at += 4 + uint64_t(length);
    }
    return compressed;
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
    if (bytes.Size() < 4 || bytes.U32(0) != kLocalHeaderSignature) {
        listing.damaged = true;
        return listing;
    }
    for (uint64_t at = FindCentralDirectory(bytes); bytes.Has(at, kCentralHeaderSize);) {
        platform::LeBytes header = bytes.Sub(at, kCentralHeaderSize);
        if (header.U32(0) != kCentralHeaderSignature) break;
        uint64_t nameLength = header.U16(28), extraLength = header.U16(30), commentLength = header.U16(32);
        if (!bytes.Has(at + kCentralHeaderSize, nameLength)) break;
        platform::LeBytes name = bytes.Sub(at + kCentralHeaderSize, nameLength);
        // The extra field may run past a truncated archive; the size then
        // comes from the fixed header alone.
        platform::LeBytes extra = bytes.Sub(at + kCentralHeaderSize + nameLength, extraLength);
        listing.text += EntryName(name, (header.U16(8) & kUtf8NamesFlag) != 0);
        if (uint64_t size = CompressedSize(header, extra); size != 0) listing.text += u"   [" + SizeText(size) + u"]";
        listing.text += u"\r\n";
        at += kCentralHeaderSize + nameLength + extraLength + commentLength;
    }
    return listing;
}
