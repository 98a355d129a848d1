#include "results/GuessedContentCheck.h"

#include "catalog/ContentLayout.h"
#include "catalog/FileEntry.h"
#include "engine/ScanContext.h"
#include "platform/TextConvert.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <vector>

namespace {

struct NamedType {
    std::u16string_view extension;  // lower case, without the dot
    CheckedType type;
};

// ZIP holds the office documents, OpenDocument files, e-books and Java and
// Android packages too.
constexpr std::array kCheckedExtensions = {
    NamedType{u"jpg", CheckedType::Jpeg},  NamedType{u"jpeg", CheckedType::Jpeg}, NamedType{u"jpe", CheckedType::Jpeg},
    NamedType{u"png", CheckedType::Png},   NamedType{u"pdf", CheckedType::Pdf},   NamedType{u"zip", CheckedType::Zip},
    NamedType{u"docx", CheckedType::Zip},  NamedType{u"xlsx", CheckedType::Zip},  NamedType{u"pptx", CheckedType::Zip},
    NamedType{u"odt", CheckedType::Zip},   NamedType{u"ods", CheckedType::Zip},   NamedType{u"odp", CheckedType::Zip},
    NamedType{u"epub", CheckedType::Zip},  NamedType{u"jar", CheckedType::Zip},   NamedType{u"apk", CheckedType::Zip},
    NamedType{u"mp3", CheckedType::Mp3},   NamedType{u"flac", CheckedType::Flac}, NamedType{u"ogg", CheckedType::Ogg},
    NamedType{u"opus", CheckedType::Ogg},  NamedType{u"oga", CheckedType::Ogg},   NamedType{u"ogv", CheckedType::Ogg},
    NamedType{u"wav", CheckedType::Riff},  NamedType{u"avi", CheckedType::Riff},  NamedType{u"webp", CheckedType::Riff},
    NamedType{u"mkv", CheckedType::Matroska}, NamedType{u"webm", CheckedType::Matroska},
    NamedType{u"wmv", CheckedType::Asf},   NamedType{u"wma", CheckedType::Asf},   NamedType{u"asf", CheckedType::Asf},
    NamedType{u"psd", CheckedType::Psd},   NamedType{u"rtf", CheckedType::Rtf},   NamedType{u"gz", CheckedType::Gzip},
    NamedType{u"tgz", CheckedType::Gzip},  NamedType{u"bz2", CheckedType::Bzip2}, NamedType{u"xz", CheckedType::Xz},
    NamedType{u"rar", CheckedType::Rar},
};

std::u16string_view TypeLabel(CheckedType type) {
    switch (type) {
        case CheckedType::Jpeg: return u"JPEG";
        case CheckedType::Png: return u"PNG";
        case CheckedType::Zip: return u"ZIP";
        case CheckedType::Pdf: return u"PDF";
        case CheckedType::Mp3: return u"MP3";
        case CheckedType::Flac: return u"FLAC";
        case CheckedType::Ogg: return u"Ogg";
        case CheckedType::Riff: return u"RIFF";
        case CheckedType::Matroska: return u"Matroska";
        case CheckedType::Asf: return u"ASF";
        case CheckedType::Psd: return u"PSD";
        case CheckedType::Rtf: return u"RTF";
        case CheckedType::Gzip: return u"gzip";
        case CheckedType::Bzip2: return u"bzip2";
        case CheckedType::Xz: return u"xz";
        case CheckedType::Rar: return u"RAR";
    }
    return {};
}

constexpr size_t kReadBackBytes = 1024 * 1024;

}  // namespace

std::optional<CheckedType> CheckedTypeOfName(const std::u16string& name) {
    const size_t dot = name.rfind(u'.');
    if (dot == std::u16string::npos) return std::nullopt;
    std::u16string extension = name.substr(dot + 1);
    for (char16_t& c : extension)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    for (const NamedType& named : kCheckedExtensions)
        if (named.extension == extension) return named.type;
    return std::nullopt;
}

bool IsContentGuessed(const CDelFile* file, const DeletedFileItem* item) {
    if (const auto* entry = dynamic_cast<const CFileEntry*>(file)) return IsGuessed(entry->GetContentLayout());
    // An empty file has no clusters, so nothing about it was guessed.
    if (!item || item->size == 0) return false;
    return item->contentSource == ContentLayoutName(ContentLayout::ContiguousFallback) ||
           item->contentSource == ContentLayoutName(ContentLayout::FreeClusters);
}

std::u16string DamageOfWrittenFile(const std::u16string& path, CheckedType type) {
    std::ifstream in(platform::ToUtf8(path), std::ios::binary);
    if (!in) return {};
    CWholeFileCheck check(type);
    std::vector<uint8_t> buffer(kReadBackBytes);
    while (in) {
        in.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()));
        const auto got = static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0));
        check.Feed(std::span<const uint8_t>(buffer.data(), got));
    }
    if (!in.eof()) return {};
    if (check.Finish()) return {};
    return u"内容是推测的,不是完整的" + std::u16string(TypeLabel(type)) + u"文件";
}

std::u16string DamageOfSavedFile(const CDelFile* file, const DeletedFileItem* item, const std::u16string& name,
                                 const std::u16string& path) {
    if (!IsContentGuessed(file, item)) return {};
    auto type = CheckedTypeOfName(name);
    return type ? DamageOfWrittenFile(path, *type) : std::u16string();
}
