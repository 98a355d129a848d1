#include "carving/CarvedType.h"

#include <array>
#include <string_view>

namespace {

struct TypeNames {
    std::u16string_view groupLabel;
    std::u16string_view namePrefix;
    std::u16string_view nameSuffix;
};

// Indexed by type code; entry 0 stands for "no type".
constexpr std::array<TypeNames, 7> kTypeNames{{
    {u"", u"", u""},
    {u"JPG", u"pic", u".jpg"},
    {u"ZIP", u"Zip", u".ZIP"},
    {u"word", u"word", u".docx"},
    {u"xlsx", u"ID_XLSX", u".xlsx"},
    {u"ppt", u"ppt", u".pptx"},
    {u"BMP", u"pic", u".bmp"},
}};

}  // namespace

bool IsCarvedTypeCode(uint32_t typeCode) {
    return typeCode >= kCarvedJpeg && typeCode <= kCarvedBitmap;
}

std::u16string CarvedGroupLabel(uint32_t typeCode) {
    if (!IsCarvedTypeCode(typeCode)) return {};
    return std::u16string(kTypeNames[typeCode].groupLabel);
}

std::u16string CarvedFileName(uint32_t typeCode, uint64_t firstSector) {
    if (!IsCarvedTypeCode(typeCode)) return {};
    const TypeNames& names = kTypeNames[typeCode];
    std::u16string name(names.namePrefix);
    for (char digit : std::to_string(firstSector)) name += static_cast<char16_t>(digit);
    name += names.nameSuffix;
    return name;
}
