#pragma once
// A carved file read back from a saved scan: its type, its runs of sectors
// and its last byte, as the scan that carved it left them. It is never fed
// sectors again; it reads its content through the device it is attached to
// once the scanned source is open again.
#include "carving/BaseFile.h"

class CRestoredCarvedFile : public CBaseFile {
public:
    // `runs` ascend with gaps between them (see AreRestorableRuns).
    CRestoredCarvedFile(uint32_t type, uint32_t sectorSize, const std::vector<SectorRun>& runs,
                        uint32_t lastByteIndex);

    int ProcessSector(uint64_t, const CSectorWindow&) override { return kNotThisType; }
    void AttachDevice(const CVolumeAccess* device) { m_device = device; }
};

// Runs a carved file can have: at least one, none empty, each starting past
// the sector after the one before ends, none running past the 64-bit sectors.
bool AreRestorableRuns(const std::vector<SectorRun>& runs);
