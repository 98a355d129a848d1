#include "carving/ZipContentKind.h"

#include "carving/CarvedType.h"
#include "carving/ZipLocalFileHeader.h"

#include <string_view>

namespace {

constexpr std::string_view kMimetypeName = "mimetype";

struct MimetypeType {
    std::string_view mimetype;
    uint32_t type;
};

constexpr MimetypeType kMimetypes[] = {
    {"application/vnd.oasis.opendocument.text", kCarvedOpenText},
    {"application/vnd.oasis.opendocument.spreadsheet", kCarvedOpenSpreadsheet},
    {"application/vnd.oasis.opendocument.presentation", kCarvedOpenPresentation},
    {"application/epub+zip", kCarvedEpub},
};

}  // namespace

void CZipContentKind::ExamineFirstEntry(const CSectorWindow& data) {
    const std::optional<ZipLocalFileHeader> header = ReadZipLocalFileHeader(data, 0);
    if (!header || header->nameLength != kMimetypeName.size() ||
        !data.StartsWith(zip_local_header::kSize, kMimetypeName)) {
        return;
    }
    // Stored, as the formats require.
    const uint64_t size = header->compressedSize;
    if (header->compressionMethod != zip_local_header::kStored || size != header->uncompressedSize) return;
    const uint64_t content = header->DataOffset();
    for (const MimetypeType& known : kMimetypes) {
        // The content is exactly the type's name (some writers add nothing else).
        if (size == known.mimetype.size() && data.StartsWith(content, known.mimetype)) m_mimetypeType = known.type;
    }
}

void CZipContentKind::ExamineName(const CSectorWindow& data, uint64_t name, uint64_t length) {
    auto is = [&](std::string_view text) { return length == text.size() && data.StartsWith(name, text); };
    auto startsWith = [&](std::string_view text) { return length >= text.size() && data.StartsWith(name, text); };
    if (is("[Content_Types].xml")) m_contentTypes = true;
    if (m_officePart == 0) {
        if (startsWith("word/")) m_officePart = kCarvedWord;
        if (startsWith("xl/")) m_officePart = kCarvedSpreadsheet;
        if (startsWith("ppt/")) m_officePart = kCarvedPresentation;
    }
    if (is("META-INF/MANIFEST.MF")) m_javaManifest = true;
    if (is("AndroidManifest.xml") || is("classes.dex")) m_android = true;
}

uint32_t CZipContentKind::TypeCode() const {
    if (m_mimetypeType != 0) return m_mimetypeType;
    if (m_android) return kCarvedApk;
    // An office document with none of the known part folders reads as a
    // word-processing one, as it always has.
    if (m_contentTypes) return m_officePart != 0 ? m_officePart : uint32_t(kCarvedWord);
    if (m_javaManifest) return kCarvedJar;
    return kCarvedZip;
}
