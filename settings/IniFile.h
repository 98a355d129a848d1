#pragma once
// The program's settings: text values by section and key, and byte values as
// Base64 text, in one profile file. Each call opens, reads or rewrites and
// closes the file; nothing is held open.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

class CIniFile {
public:
    CIniFile();
    virtual ~CIniFile() = default;

    void SetPath(const std::string& path) { m_strPath = path; }
    const std::string& GetPath() const { return m_strPath; }

    // At most 511 characters come back; `defaultValue` when the file or key is absent.
    std::u16string GetString(const std::u16string& section, const std::u16string& key,
                             const std::u16string& defaultValue) const;
    bool WriteString(const std::u16string& section, const std::u16string& key,
                     const std::u16string& value) const;

    // The decoded bytes' count, 0 when absent, -1 when the text is not Base64.
    int GetBinary(const std::u16string& section, const std::u16string& key,
                  std::vector<uint8_t>& out) const;
    // False for a failed write and for a value too long to be read back whole.
    bool WriteBinary(const std::u16string& section, const std::u16string& key,
                     std::span<const uint8_t> data) const;

    const char* m_base64Alphabet;
    std::string m_strPath;
};

// Longest text a read gives back, as the profile functions' 512-character buffer allows.
inline constexpr size_t kMaxProfileValue = 511;
