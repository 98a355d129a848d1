#pragma once
// Where the fields of an MFT file record's header and of the attribute headers
// inside the record lie, and the attribute type codes. Each constant is the
// byte position of the field it names, counted from the start of the record
// or of the attribute; a field that itself holds an offset is named after it
// ("first attribute offset"). Only the fields this system reads are named.
//
// Record header (little-endian): signature "FILE" 4, update sequence offset 2,
// update sequence length in words 2, log file sequence number 8, sequence
// number 2, hard link count 2, first attribute offset 2, flags 2, bytes in
// use 4, bytes allocated 4, base record reference 8, next attribute id 2.
//
// Attribute header, both forms: type 4, total length 4, non-resident flag 1,
// name length in characters 1, name offset 2, flags 2, attribute id 2; then
// resident: value length 4, value offset 2, indexed flag 1, padding 1;
// non-resident: starting VCN 8, last VCN 8, run list offset 2, compression
// unit 1, padding 5, allocated size 8, real size 8, initialized size 8.
//
// A damaged record can put any value in any of these fields: readers take
// them through platform::LeBytes and check the offsets and lengths they give.
#include <cstddef>
#include <cstdint>

namespace mft_record {
constexpr uint64_t kSignatureOffset = 0x00;
constexpr uint64_t kUpdateSequenceOffset = 0x04;
constexpr uint64_t kSequenceNumberOffset = 0x10;
constexpr uint64_t kFirstAttributeOffset = 0x14;
constexpr uint64_t kFlagsOffset = 0x16;
constexpr uint64_t kBaseReferenceOffset = 0x20;  // 0 in a base record

constexpr uint32_t kSignature = 0x454C4946;  // "FILE"
constexpr uint16_t kFlagInUse = 0x0001;
constexpr uint16_t kFlagDirectory = 0x0002;
}  // namespace mft_record

// A file reference, as in the base reference and a file name's parent: the
// record number in the low 48 bits, the record's sequence number above.
namespace file_reference {
constexpr uint64_t kRecordNumberMask = 0x0000FFFFFFFFFFFFULL;
constexpr unsigned kSequenceShift = 48;
}  // namespace file_reference

namespace attribute_header {
constexpr uint64_t kTypeOffset = 0x00;
constexpr uint64_t kLengthOffset = 0x04;
constexpr uint64_t kNonResidentOffset = 0x08;
constexpr uint64_t kNameLengthOffset = 0x09;  // 0 for the unnamed stream
constexpr uint64_t kNameOffset = 0x0A;
constexpr uint64_t kFlagsOffset = 0x0C;
constexpr uint64_t kSize = 0x10;  // the part both forms share

// Flags: the compression method in the low byte (1 is LZNT1), encrypted.
constexpr uint16_t kCompressionMask = 0x00FF;
constexpr uint16_t kFlagEncrypted = 0x4000;
}  // namespace attribute_header

namespace resident_header {
constexpr uint64_t kValueLengthOffset = 0x10;
constexpr uint64_t kValueOffset = 0x14;
constexpr uint64_t kSize = 0x18;
}  // namespace resident_header

namespace non_resident_header {
constexpr uint64_t kStartingVcnOffset = 0x10;
constexpr uint64_t kLastVcnOffset = 0x18;
constexpr uint64_t kRunListOffset = 0x20;
constexpr uint64_t kCompressionUnitOffset = 0x22;  // clusters per unit, as a power of two
constexpr uint64_t kAllocatedSizeOffset = 0x28;
constexpr uint64_t kRealSizeOffset = 0x30;
constexpr uint64_t kSize = 0x40;
}  // namespace non_resident_header

enum AttributeType : uint32_t {
    kStandardInformation = 0x10,
    kAttributeList = 0x20,
    kFileName = 0x30,
    kObjectId = 0x40,
    kSecurityDescriptor = 0x50,
    kVolumeName = 0x60,
    kVolumeInformation = 0x70,
    kData = 0x80,
    kIndexRoot = 0x90,
    kIndexAllocation = 0xA0,
    kBitmap = 0xB0,
    kReparsePoint = 0xC0,
    kExtendedAttributeInformation = 0xD0,
    kExtendedAttribute = 0xE0,
    kPropertySet = 0xF0,
    kLoggedUtilityStream = 0x100,
    kEndOfAttributes = 0xFFFFFFFF,  // in the type field, after the last attribute
};

// A record keeps one attribute list, and one selection bit, per type from
// 0x10 to 0x100: type 0x10 * (k + 1) is list k and bit k. Codes below 0x10
// give an index past that range.
constexpr uint32_t TypeIndex(uint32_t type) { return (type >> 4) - 1; }
constexpr uint32_t TypeBit(AttributeType type) { return 1U << TypeIndex(type); }
