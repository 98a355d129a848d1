#include "carving/ZipContentKind.h"

#include "carving/CarvedType.h"

#include <string_view>

namespace {

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
    if (!data.Has(0, 30) || data.U16(26) != 8 || !data.StartsWith(30, "mimetype")) return;
    const uint64_t size = data.U32(18);
    if (data.U16(8) != 0 || size != data.U32(22)) return;  // stored, as the formats require
    const uint64_t content = 30 + 8 + uint64_t(data.U16(28));
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
