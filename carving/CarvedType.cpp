#include "carving/CarvedType.h"

#include <array>
#include <string_view>

namespace {

struct TypeNames {
    std::u16string_view groupLabel;
    std::u16string_view namePrefix;
    std::u16string_view nameSuffix;
};

// Indexed by type code; entry 0 stands for "no type". The ending decides how
// the file is shown and opened, so it is the one each format is known by.
constexpr std::array<TypeNames, kCarvedLastType + 1> kTypeNames{{
    {u"", u"", u""},
    {u"JPG", u"pic", u".jpg"},
    {u"ZIP", u"Zip", u".ZIP"},
    {u"word", u"word", u".docx"},
    {u"xlsx", u"ID_XLSX", u".xlsx"},
    {u"ppt", u"ppt", u".pptx"},
    {u"BMP", u"pic", u".bmp"},
    {u"PNG", u"pic", u".png"},
    {u"GIF", u"pic", u".gif"},
    {u"PDF", u"pdf", u".pdf"},
    {u"TIFF", u"pic", u".tif"},
    {u"odt", u"odt", u".odt"},
    {u"ods", u"ods", u".ods"},
    {u"odp", u"odp", u".odp"},
    {u"epub", u"book", u".epub"},
    {u"jar", u"jar", u".jar"},
    {u"apk", u"apk", u".apk"},
    {u"doc", u"word", u".doc"},
    {u"xls", u"xls", u".xls"},
    {u"ppt97", u"ppt", u".ppt"},
    {u"OLE", u"ole", u".ole"},
    {u"7z", u"7z", u".7z"},
    {u"MP4", u"video", u".mp4"},
    {u"MOV", u"video", u".mov"},
    {u"3GP", u"video", u".3gp"},
    {u"M4A", u"audio", u".m4a"},
    {u"HEIC", u"pic", u".heic"},
    {u"CR2", u"raw", u".cr2"},
    {u"NEF", u"raw", u".nef"},
    {u"ARW", u"raw", u".arw"},
    {u"DNG", u"raw", u".dng"},
    {u"MP3", u"audio", u".mp3"},
    {u"WAV", u"audio", u".wav"},
    {u"FLAC", u"audio", u".flac"},
    {u"OGG", u"audio", u".ogg"},
    {u"Opus", u"audio", u".opus"},
    {u"OGA", u"audio", u".oga"},
    {u"OGV", u"video", u".ogv"},
    {u"AVI", u"video", u".avi"},
    {u"MKV", u"video", u".mkv"},
    {u"WebM", u"video", u".webm"},
    {u"TS", u"video", u".ts"},
    {u"MTS", u"video", u".mts"},
    {u"WMV", u"video", u".wmv"},
    {u"WMA", u"audio", u".wma"},
    {u"WebP", u"pic", u".webp"},
    {u"PSD", u"pic", u".psd"},
    {u"ICO", u"pic", u".ico"},
    {u"CUR", u"pic", u".cur"},
    {u"RTF", u"doc", u".rtf"},
    {u"gz", u"archive", u".gz"},
    {u"bz2", u"archive", u".bz2"},
    {u"xz", u"archive", u".xz"},
    {u"tar", u"archive", u".tar"},
    {u"RAR", u"archive", u".rar"},
    {u"SQLite", u"db", u".sqlite"},
    {u"CR3", u"raw", u".cr3"},
    {u"RAF", u"raw", u".raf"},
    {u"ORF", u"raw", u".orf"},
    {u"RW2", u"raw", u".rw2"},
}};

}  // namespace

bool IsCarvedTypeCode(uint32_t typeCode) {
    return typeCode >= kCarvedJpeg && typeCode <= kCarvedLastType;
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
