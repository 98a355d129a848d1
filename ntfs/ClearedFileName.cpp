#include "ntfs/ClearedFileName.h"

#include "ntfs/AttrBase.h"
#include "ntfs/FileName.h"
#include "platform/LittleEndian.h"

namespace {

constexpr uint64_t kRootRecord = 5;
constexpr uint64_t kFirstUserRecord = 16;
constexpr uint32_t kFileNameType = 0x30;
constexpr uint64_t kResidentHeaderSize = 0x18;
constexpr uint64_t kMaxNameBody = CFileName::kNameOffset + 255 * 2;

// Offset of the end marker, walking the attributes as the record states
// them; 0 when the walk does not reach one.
uint64_t EndMarkerOffset(const platform::LeBytes& record) {
    uint64_t offset = record.U16(0x14);
    while (record.Has(offset, 4)) {
        if (record.U32(offset) == CAttrBase::kEndOfAttributes) return offset;
        const uint64_t length = record.U32(offset + 4);
        if (length < CAttrBase::kCommonHeaderSize || !record.Has(offset, length)) return 0;
        offset += length;
    }
    return 0;
}

bool PlausibleParent(uint64_t reference, uint64_t recordCount) {
    const uint64_t number = reference & 0x0000FFFFFFFFFFFFULL;
    const uint16_t sequence = static_cast<uint16_t>(reference >> 48);
    if (sequence == 0) return false;
    return number == kRootRecord || (number >= kFirstUserRecord && number < recordCount);
}

// The file name body of a stale resident attribute header at `header`; the
// header's first eight bytes (type and length) may already be overwritten
// by the end marker, so only the value length and offset are trusted.
std::optional<ClearedFileName> BodyAt(const platform::LeBytes& record, uint64_t header, uint64_t recordCount) {
    if (!record.Has(header, kResidentHeaderSize)) return std::nullopt;
    const uint64_t valueLength = record.U32(header + 0x10);
    const uint64_t valueOffset = record.U16(header + 0x14);
    if (valueOffset < kResidentHeaderSize || valueOffset % 8 != 0) return std::nullopt;
    if (valueLength < CFileName::kNameOffset || valueLength > kMaxNameBody) return std::nullopt;
    const platform::LeBytes body = record.Sub(header + valueOffset, valueLength);
    if (body.Size() == 0 || !CFileName::BodyFits(body)) return std::nullopt;

    const CFileName name(body);
    if (name.NameLength() == 0 || CFileName::kNameOffset + 2 * uint64_t(name.NameLength()) > valueLength)
        return std::nullopt;
    if (name.NameSpace() > CFileName::kWin32AndDos || name.NameSpace() == CFileName::kDos) return std::nullopt;
    if (!PlausibleParent(name.ParentReference(), recordCount)) return std::nullopt;
    ClearedFileName found{name.Name(), name.ParentReference()};
    for (char16_t c : found.name)
        if (c == u'\0' || c == u'/') return std::nullopt;
    return found;
}

}  // namespace

std::optional<ClearedFileName> FindClearedFileName(std::span<const uint8_t> record, uint64_t recordCount) {
    const platform::LeBytes bytes(record);
    const uint64_t end = EndMarkerOffset(bytes);
    if (end == 0) return std::nullopt;
    // The removed attribute began where the marker now stands.
    if (auto found = BodyAt(bytes, end, recordCount)) return found;
    // Or it lay further on, its header whole: attributes start 8-byte aligned.
    for (uint64_t header = end + 8; bytes.Has(header, kResidentHeaderSize); header += 8)
        if (bytes.U32(header) == kFileNameType && bytes.U8(header + 8) == 0)
            if (auto found = BodyAt(bytes, header, recordCount)) return found;
    return std::nullopt;
}
