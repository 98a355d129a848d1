#include "exfat/ByteSource.h"

#include "platform/RawSource.h"

#include <algorithm>

CRawByteSource::CRawByteSource(std::shared_ptr<const platform::RawSource> source, uint64_t size)
    : m_source(std::move(source)), m_size(size) {}

CRawByteSource::~CRawByteSource() = default;

bool CRawByteSource::ReadAt(uint64_t offset, std::span<uint8_t> buffer) const {
    if (offset > m_size || buffer.size() > m_size - offset) return false;
    return buffer.empty() || m_source->ReadAt(offset, buffer.data(), buffer.size());
}

bool CMemoryByteSource::ReadAt(uint64_t offset, std::span<uint8_t> buffer) const {
    if (offset > m_bytes.size() || buffer.size() > m_bytes.size() - offset) return false;
    std::copy_n(m_bytes.begin() + static_cast<std::ptrdiff_t>(offset), buffer.size(), buffer.begin());
    return true;
}
