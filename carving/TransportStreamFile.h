#pragma once
// An MPEG transport stream candidate: 188-byte packets, each starting with
// the sync byte 47, or the 192-byte packets of M2TS and camcorder .mts files,
// which put a 4-byte time stamp before each. The file ends after the last
// packet in sync. Random data holds a 47 now and then, so a start needs
// several packets in sync. A plain transport stream has no end mark: one
// cut where other data follows is carved up to the first slot without a
// sync byte, which may take in up to a packet of that data.
#include "carving/BaseFile.h"

#include <memory>

class CTransportStreamFile : public CBaseFile {
public:
    // Packets in sync a start needs where the read shows them (three at least).
    static constexpr uint32_t kPacketsToStart = 8;

    CTransportStreamFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector, bool timeStamped)
        : CBaseFile(device, sectorSize, firstSector), m_timeStamped(timeStamped) {}

    // A new candidate when the sector starts with packets in sync; null otherwise.
    static std::unique_ptr<CBaseFile> Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device);

    int ProcessSector(uint64_t sector, const CSectorWindow& data) override;
    int EndWhereItStands(uint64_t nextSector) override;
    bool ContinuesAt(uint64_t sector) const override { return m_fileEnd == 0 && m_nextPacket == SectorOffset(sector); }

private:
    // M2TS packets come in aligned units of 32, as Blu-ray and AVCHD
    // recorders write them (and ffmpeg too): a stream that stops inside one was cut.
    static constexpr uint64_t kAlignedUnit = 32 * 192;

    uint64_t PacketSize() const { return m_timeStamped ? 192 : 188; }
    bool WholeUnits(uint64_t end) const;

    uint64_t m_nextPacket = 0;
    uint64_t m_fileEnd = 0;
    uint64_t m_packets = 0;
    bool m_timeStamped;
};
