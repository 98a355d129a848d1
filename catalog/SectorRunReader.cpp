#include "catalog/SectorRunReader.h"

#include "device/VolumeAccess.h"

#include <algorithm>

SectorRunReader::SectorRunReader(const CVolumeAccess& device, uint64_t firstSector, uint64_t size)
    : m_device(device), m_firstSector(firstSector), m_size(size), m_sectorSize(device.GetSectorSize()) {}

bool SectorRunReader::Read(uint64_t offset, std::span<uint8_t> buffer, std::string& error) {
    if (m_sectorSize == 0 || offset % m_sectorSize != 0 || offset > m_size || buffer.size() > m_size - offset) {
        error = "the scanned volume cannot be read there";
        return false;
    }
    if (buffer.empty()) return true;
    const uint64_t first = m_firstSector + offset / m_sectorSize;
    const uint64_t whole = buffer.size() / m_sectorSize;
    const uint64_t rest = buffer.size() % m_sectorSize;
    const uint64_t last = first + whole + (rest != 0 ? 1 : 0) - 1;
    bool ok = whole == 0 || m_device.ReadSectors(first, first + whole - 1, buffer.first(whole * m_sectorSize));
    if (ok && rest != 0) {
        // A piece that ends inside a sector: read the sector whole and keep its head.
        m_tail.resize(m_sectorSize);
        ok = m_device.ReadSectors(first + whole, first + whole, m_tail);
        if (ok) std::copy_n(m_tail.begin(), rest, buffer.begin() + static_cast<std::ptrdiff_t>(whole * m_sectorSize));
    }
    if (!ok) {
        error = (first == last ? "sector " + std::to_string(first)
                               : "sectors " + std::to_string(first) + " to " + std::to_string(last)) +
                " of the scanned volume cannot be read";
    }
    return ok;
}
