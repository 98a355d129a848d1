#include "settings/IniFile.h"

#include "platform/ProfileFile.h"
#include "platform/TextConvert.h"
#include "settings/Base64.h"

CIniFile::CIniFile() : m_base64Alphabet(kBase64Alphabet) {}

std::u16string CIniFile::GetString(const std::u16string& section, const std::u16string& key,
                                   const std::u16string& defaultValue) const {
    std::u16string value;
    if (!platform::ReadProfileString(m_strPath, section, key, value)) value = defaultValue;
    if (value.size() > kMaxProfileValue) value.resize(kMaxProfileValue);
    return value;
}

bool CIniFile::WriteString(const std::u16string& section, const std::u16string& key,
                           const std::u16string& value) const {
    return platform::WriteProfileString(m_strPath, section, key, value);
}

int CIniFile::GetBinary(const std::u16string& section, const std::u16string& key,
                        std::vector<uint8_t>& out) const {
    std::u16string text = GetString(section, key, u"");
    // Base64 text is ASCII; anything else is outside the alphabet anyway.
    std::string narrow;
    for (char16_t c : text) narrow += c < 0x80 ? static_cast<char>(c) : '?';
    auto bytes = DecodeBase64(narrow);
    if (!bytes) return -1;
    out = std::move(*bytes);
    return static_cast<int>(out.size());
}

bool CIniFile::WriteBinary(const std::u16string& section, const std::u16string& key,
                           std::span<const uint8_t> data) const {
    std::string text = EncodeBase64(data);
    // A value whose text would be cut on reading could never come back whole:
    // refuse it rather than store something that reads as an error later.
    if (text.size() > kMaxProfileValue) return false;
    return WriteString(section, key, platform::FromUtf8(text));
}
