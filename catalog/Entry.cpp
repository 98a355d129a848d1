#include "catalog/Entry.h"

#include "platform/LittleEndian.h"
#include "platform/TextConvert.h"

#include <algorithm>

namespace {

// The three name fields of a long-name entry: 5, 6 and 2 UTF-16 characters.
constexpr size_t kLongNameFields[][2] = {{1, 5}, {14, 6}, {28, 2}};
constexpr size_t kCharsPerLongNameEntry = 13;

// The case byte folds the letters A-Z only, as Windows does for 8.3 names.
void LowerAsciiLetters(std::u16string& text) {
    for (char16_t& c : text) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    }
}

// Short names fill their 8 and 3 bytes with blanks, which are no part of
// the name Windows shows.
void DropPadding(std::u16string& text) { text.erase(text.find_last_not_of(u' ') + 1); }

}  // namespace

CEntry::CEntry(std::span<const uint8_t> longNameEntries, uint16_t longNameCount, const DirEntryBytes& dirEntry,
               bool inDeletedFolder)
    : m_dirEntry(dirEntry), m_inDeletedFolder(inDeletedFolder) {
    size_t count = std::min<size_t>(longNameCount, longNameEntries.size() / kDirEntrySize);
    m_longNameCount = static_cast<uint16_t>(count);
    m_longNameEntries.assign(longNameEntries.begin(), longNameEntries.begin() + count * kDirEntrySize);
}

std::u16string CEntry::GetShortName() const {
    std::array<uint8_t, 8> name{};
    std::copy_n(m_dirEntry.begin(), name.size(), name.begin());
    if (name[0] == kDeletedMarker) name[0] = '#';
    // Name and extension are converted apart, so that a double-byte lead in
    // the last name position cannot swallow the point; the case is applied
    // to the converted text, so that a trail byte in the range of A-Z keeps
    // its character.
    std::u16string base = platform::FromCodePage(name);
    std::u16string extension = platform::FromCodePage(std::span<const uint8_t>(m_dirEntry).subspan(8, 3));
    const uint8_t caseFlags = m_dirEntry[dir_entry::kNtReserved];
    if (caseFlags & dir_entry::kLowerCaseBaseName) LowerAsciiLetters(base);
    if (caseFlags & dir_entry::kLowerCaseExtension) LowerAsciiLetters(extension);
    DropPadding(base);
    DropPadding(extension);
    if (extension.empty()) return base;
    return base + u'.' + extension;
}

std::optional<std::u16string> CEntry::GetLongName() const {
    if (m_longNameCount == 0) return std::nullopt;
    platform::LeBytes bytes(m_longNameEntries.data(), m_longNameEntries.size());
    std::u16string name;
    name.reserve(size_t(m_longNameCount) * kCharsPerLongNameEntry);
    // The run is stored last part first, so the parts are taken from the
    // entry nearest the short entry backwards.
    for (size_t index = m_longNameCount; index-- > 0;) {
        for (const auto& field : kLongNameFields) {
            for (size_t i = 0; i < field[1]; ++i) {
                name += static_cast<char16_t>(bytes.U16(index * kDirEntrySize + field[0] + 2 * i));
            }
        }
    }
    if (size_t end = name.find(u'\0'); end != std::u16string::npos) name.resize(end);
    return name;
}

uint32_t CEntry::GetEntrySize() const { return (uint32_t(m_longNameCount) + 1) * kDirEntrySize; }

std::u16string CEntry::GetDisplayName() const {
    if (auto longName = GetLongName()) return *longName;
    return GetShortName();
}
