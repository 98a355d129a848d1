#include "engine/SessionCodec.h"

#include "platform/TextConvert.h"

namespace {

// A text longer than this comes from damage: no name or path is near it.
constexpr uint64_t kMaxTextBytes = 1 << 20;

}  // namespace

void SessionWriter::Number(uint64_t value) {
    while (value >= 0x80) {
        m_data.push_back(static_cast<uint8_t>(value | 0x80));
        value >>= 7;
    }
    m_data.push_back(static_cast<uint8_t>(value));
}

void SessionWriter::Signed(int64_t value) {
    // Zigzag: small negative numbers stay short.
    Number((static_cast<uint64_t>(value) << 1) ^ static_cast<uint64_t>(value >> 63));
}

void SessionWriter::Text(const std::u16string& text) { Utf8(platform::ToUtf8(text)); }

void SessionWriter::Utf8(const std::string& text) {
    Blob(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

void SessionWriter::Bytes(std::span<const uint8_t> bytes) { m_data.insert(m_data.end(), bytes.begin(), bytes.end()); }

void SessionWriter::Blob(std::span<const uint8_t> bytes) {
    Number(bytes.size());
    Bytes(bytes);
}

void SessionReader::Fail(const std::string& reason) {
    if (m_error.empty()) m_error = reason;
    m_at = m_data.size();
}

uint64_t SessionReader::Number() {
    uint64_t value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        if (m_at >= m_data.size()) {
            Fail("it ends in the middle of a number");
            return 0;
        }
        const uint8_t byte = m_data[m_at++];
        if (shift == 63 && byte > 1) break;
        value |= uint64_t(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0) return value;
    }
    Fail("a number is longer than 64 bits");
    return 0;
}

uint64_t SessionReader::NumberUpTo(uint64_t limit, const char* what) {
    const uint64_t value = Number();
    if (value > limit) {
        Fail(std::string(what) + " is out of range");
        return 0;
    }
    return value;
}

int64_t SessionReader::Signed() {
    const uint64_t value = Number();
    return static_cast<int64_t>((value >> 1) ^ (~(value & 1) + 1));
}

bool SessionReader::Flag() { return NumberUpTo(1, "a flag") == 1; }

std::u16string SessionReader::Text() { return platform::FromUtf8(Utf8()); }

std::string SessionReader::Utf8() {
    std::span<const uint8_t> bytes = Blob();
    if (bytes.size() > kMaxTextBytes) {
        Fail("a text is longer than any name");
        return {};
    }
    return std::string(bytes.begin(), bytes.end());
}

std::span<const uint8_t> SessionReader::Bytes(size_t size) {
    if (size > Left()) {
        Fail("it ends in the middle of a field");
        return {};
    }
    std::span<const uint8_t> bytes = m_data.subspan(m_at, size);
    m_at += size;
    return bytes;
}

std::span<const uint8_t> SessionReader::Blob() {
    const uint64_t size = Number();
    if (size > Left()) {
        Fail("a field runs past the end of the file");
        return {};
    }
    return Bytes(static_cast<size_t>(size));
}

uint64_t SessionReader::Count(size_t minimumItemBytes, const char* what) {
    const uint64_t count = Number();
    if (minimumItemBytes != 0 && count > Left() / minimumItemBytes) {
        Fail(std::string("the count of ") + what + " is larger than the file could hold");
        return 0;
    }
    return count;
}
