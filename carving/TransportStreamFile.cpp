#include "carving/TransportStreamFile.h"

#include "carving/CarvedType.h"

namespace {

constexpr uint8_t kSync = 0x47;
constexpr uint64_t kTimeStampSize = 4;
constexpr uint32_t kMinPacketsToStart = 3;

// How many packets of `size` lie in sync from the start of `sector`, up to
// `wanted`; whether the read ended before `wanted` is told by `cut`.
uint32_t PacketsInSync(const platform::LeBytes& sector, uint64_t size, uint64_t syncAt, uint32_t wanted, bool& cut) {
    uint32_t count = 0;
    cut = false;
    for (; count < wanted; ++count) {
        const uint64_t at = count * size + syncAt;
        if (!sector.Has(at, 2)) {
            cut = true;
            break;
        }
        // The sync byte, and the transport error bit clear.
        if (sector.U8(at) != kSync || (sector.U8(at + 1) & 0x80) != 0) break;
    }
    return count;
}

}  // namespace

std::unique_ptr<CBaseFile> CTransportStreamFile::Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                           uint32_t sectorSize, const CVolumeAccess* device) {
    for (bool timeStamped : {false, true}) {
        bool cut = false;
        const uint32_t inSync =
            PacketsInSync(sector, timeStamped ? 192 : 188, timeStamped ? kTimeStampSize : 0, kPacketsToStart, cut);
        if (inSync == kPacketsToStart || (cut && inSync >= kMinPacketsToStart)) {
            return std::make_unique<CTransportStreamFile>(device, sectorSize, sectorNumber, timeStamped);
        }
    }
    return nullptr;
}

int CTransportStreamFile::ProcessSector(uint64_t sector, const CSectorWindow& data) {
    const uint64_t sectorEnd = SectorOffset(sector) + m_sectorSize;
    const uint64_t syncAt = m_timeStamped ? kTimeStampSize : 0;
    while (m_fileEnd == 0 && m_nextPacket >= data.Start() && m_nextPacket < sectorEnd) {
        if (!data.Has(m_nextPacket + syncAt, 2)) return kNotFinished;
        if (data.U8(m_nextPacket + syncAt) != kSync || (data.U8(m_nextPacket + syncAt + 1) & 0x80) != 0) {
            if (m_packets < kMinPacketsToStart || !WholeUnits(m_nextPacket)) return kNotThisType;
            m_fileEnd = m_nextPacket;
            break;
        }
        m_nextPacket += PacketSize();
        ++m_packets;
    }
    if (m_fileEnd == 0) return kNotFinished;
    return FinishWhenReached(sector, m_fileEnd, m_timeStamped ? kCarvedM2ts : kCarvedTransportStream);
}

int CTransportStreamFile::EndWhereItStands(uint64_t nextSector) {
    // A packet that runs on into the next file was cut off: so was the stream.
    const uint64_t end = m_fileEnd != 0 ? m_fileEnd : m_nextPacket;
    if (m_packets < kMinPacketsToStart || end > SectorOffset(nextSector) || !WholeUnits(end)) return kNotThisType;
    SetEnd(end);
    return m_timeStamped ? kCarvedM2ts : kCarvedTransportStream;
}

bool CTransportStreamFile::WholeUnits(uint64_t end) const { return !m_timeStamped || end % kAlignedUnit == 0; }
