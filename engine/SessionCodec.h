#pragma once
// The primitives of the scan-session format (engine/SessionFormat.md):
// unsigned integers as LEB128 varints, texts as a length and UTF-8 bytes,
// fixed byte fields as they are. The reader treats the file like any
// on-disk structure: every length and count is checked against what is
// left before anything is allocated, and the first fault stops all further
// reading with a reason.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

class SessionWriter {
public:
    void Number(uint64_t value);
    void Signed(int64_t value);
    void Flag(bool value) { Number(value ? 1 : 0); }
    void Text(const std::u16string& text);
    void Utf8(const std::string& text);
    void Bytes(std::span<const uint8_t> bytes);  // as they are, no length
    void Blob(std::span<const uint8_t> bytes);   // a length, then the bytes

    const std::vector<uint8_t>& Data() const { return m_data; }
    std::vector<uint8_t>& Data() { return m_data; }

private:
    std::vector<uint8_t> m_data;
};

class SessionReader {
public:
    explicit SessionReader(std::span<const uint8_t> data) : m_data(data) {}

    uint64_t Number();
    // A number that must not exceed `limit`; a larger one is damage.
    uint64_t NumberUpTo(uint64_t limit, const char* what);
    int64_t Signed();
    bool Flag();
    std::u16string Text();
    std::string Utf8();
    // `size` bytes as they are.
    std::span<const uint8_t> Bytes(size_t size);
    std::span<const uint8_t> Blob();
    // A count of items each at least `minimumItemBytes` long: more than the
    // bytes left could hold is damage, found before anything is allocated.
    uint64_t Count(size_t minimumItemBytes, const char* what);

    bool Failed() const { return !m_error.empty(); }
    const std::string& Error() const { return m_error; }
    void Fail(const std::string& reason);
    bool AtEnd() const { return m_at == m_data.size(); }
    size_t Left() const { return m_data.size() - m_at; }

private:
    std::span<const uint8_t> m_data;
    size_t m_at = 0;
    std::string m_error;
};
