#include "device/SectorReader.h"

#include "platform/Diagnostics.h"
#include "platform/RawSource.h"

#include <cerrno>
#include <cstdint>

bool ReadSectorRange(const platform::RawSource& source, uint64_t baseOffset, uint32_t sectorSize,
                     uint64_t first, uint64_t last, std::span<uint8_t> buffer) {
    if (sectorSize == 0 || last < first) return false;
    uint64_t count = last - first + 1;
    if (count > buffer.size() / sectorSize) return false;
    uint64_t bytes = count * sectorSize;
    // The position must be representable; the old interface reported this as
    // a failed seek, and so do we.
    if (first > (static_cast<uint64_t>(INT64_MAX) - baseOffset) / sectorSize) {
        platform::Diagnostic("Failed accesing sector number %llu - SetPointer FAILED! 0x%X\n",
                             static_cast<unsigned long long>(first), static_cast<unsigned>(EINVAL));
        return false;
    }
    uint64_t offset = baseOffset + first * sectorSize;
    if (!source.ReadAt(offset, buffer.data(), static_cast<size_t>(bytes))) {
        platform::Diagnostic("Error reading from the device, Code: 0x%X\n",
                             static_cast<unsigned>(source.LastError()));
        return false;
    }
    return true;
}
