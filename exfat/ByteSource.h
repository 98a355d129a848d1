#pragma once
// Where exFAT structures are read from: a raw volume, or bytes in memory for
// tests and fuzzing. Reads are whole or fail; nothing past Size() is read.
#include <cstdint>
#include <memory>
#include <span>

namespace platform {
class RawSource;
}

class CByteSource {
public:
    virtual ~CByteSource() = default;
    // Reads exactly buffer.size() bytes at `offset`; false when any of them
    // lies past the end or cannot be read.
    virtual bool ReadAt(uint64_t offset, std::span<uint8_t> buffer) const = 0;
    virtual uint64_t Size() const = 0;
};

// A raw volume opened by the platform layer, shared with the scan that opened it.
class CRawByteSource : public CByteSource {
public:
    CRawByteSource(std::shared_ptr<const platform::RawSource> source, uint64_t size);
    ~CRawByteSource() override;
    bool ReadAt(uint64_t offset, std::span<uint8_t> buffer) const override;
    uint64_t Size() const override { return m_size; }

private:
    std::shared_ptr<const platform::RawSource> m_source;
    uint64_t m_size;
};

// Bytes held by the caller, which must outlive this object.
class CMemoryByteSource : public CByteSource {
public:
    explicit CMemoryByteSource(std::span<const uint8_t> bytes) : m_bytes(bytes) {}
    bool ReadAt(uint64_t offset, std::span<uint8_t> buffer) const override;
    uint64_t Size() const override { return m_bytes.size(); }

private:
    std::span<const uint8_t> m_bytes;
};
