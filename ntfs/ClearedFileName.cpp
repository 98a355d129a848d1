#include "ntfs/ClearedFileName.h"

#include "ntfs/FileName.h"
#include "ntfs/RecordLayout.h"
#include "platform/LittleEndian.h"

namespace {

constexpr uint64_t kRootRecord = 5;
constexpr uint64_t kFirstUserRecord = 16;
constexpr uint64_t kMaxNameBody = file_name::kNameOffset + 255 * 2;

// Offset of the end marker, walking the attributes as the record states
// them; 0 when the walk does not reach one.
uint64_t EndMarkerOffset(const platform::LeBytes& record) {
    uint64_t offset = record.U16(mft_record::kFirstAttributeOffset);
    while (record.Has(offset, sizeof(uint32_t))) {
        if (record.U32(offset + attribute_header::kTypeOffset) == kEndOfAttributes) return offset;
        const uint64_t length = record.U32(offset + attribute_header::kLengthOffset);
        if (length < attribute_header::kSize || !record.Has(offset, length)) return 0;
        offset += length;
    }
    return 0;
}

bool PlausibleParent(uint64_t reference, uint64_t recordCount) {
    const uint64_t number = reference & file_reference::kRecordNumberMask;
    const uint16_t sequence = static_cast<uint16_t>(reference >> file_reference::kSequenceShift);
    if (sequence == 0) return false;
    return number == kRootRecord || (number >= kFirstUserRecord && number < recordCount);
}

// The file name body of a stale resident attribute header at `header`; the
// header's first eight bytes (type and length) may already be overwritten
// by the end marker, so only the value length and offset are trusted.
std::optional<ClearedFileName> BodyAt(const platform::LeBytes& record, uint64_t header, uint64_t recordCount) {
    if (!record.Has(header, resident_header::kSize)) return std::nullopt;
    const uint64_t valueLength = record.U32(header + resident_header::kValueLengthOffset);
    const uint64_t valueOffset = record.U16(header + resident_header::kValueOffset);
    if (valueOffset < resident_header::kSize || valueOffset % 8 != 0) return std::nullopt;
    if (valueLength < file_name::kNameOffset || valueLength > kMaxNameBody) return std::nullopt;
    const platform::LeBytes body = record.Sub(header + valueOffset, valueLength);
    if (body.Size() == 0 || !CFileName::BodyFits(body)) return std::nullopt;

    const CFileName name(body);
    if (name.NameLength() == 0 || file_name::kNameOffset + 2 * uint64_t(name.NameLength()) > valueLength)
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
    for (uint64_t header = end + 8; bytes.Has(header, resident_header::kSize); header += 8)
        if (bytes.U32(header + attribute_header::kTypeOffset) == kFileName &&
            bytes.U8(header + attribute_header::kNonResidentOffset) == 0)
            if (auto found = BodyAt(bytes, header, recordCount)) return found;
    return std::nullopt;
}
