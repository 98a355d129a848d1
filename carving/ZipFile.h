#pragma once
// A ZIP candidate, also the formats built on ZIP (office documents,
// OpenDocument, epub, jar, apk): its records are walked from the first local
// header; once an entry keeps its sizes in a data descriptor behind its data,
// the end of central directory is searched for instead and taken when its
// directory offset and size lead back to the archive's start. The entry
// names and the "mimetype" entry tell what kind of file it is.
#include "carving/BaseFile.h"
#include "carving/ZipContentKind.h"
#include "carving/ZipEndOfCentralDirectory.h"

#include <memory>

class CZipFile : public CBaseFile {
public:
    CZipFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector);

    // A new candidate when the sector starts with a local file header whose
    // successor, when its sizes are in the header, it starts in this sector
    // and can be seen, is another record; null otherwise.
    static std::unique_ptr<CBaseFile> Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device);

    int ProcessSector(uint64_t sector, const CSectorWindow& data) override;
    // The next record after a wrong join is not at its place.
    bool MayCrossUnitsInUse() const override { return true; }

    uint64_t m_nextRecord = 0;   // file offset of the next record header (or search position)
    bool m_complete = false;     // the end of central directory was passed
    bool m_searching = false;    // sizes unknown: looking for the end record
    uint64_t m_fileEnd = 0;      // once complete: one past the end record's comment
    CZipContentKind m_kind;

private:
    // One record of the walk at m_nextRecord; false when the walk must wait
    // for more bytes or the candidate is not a ZIP (then `result` says so).
    bool WalkRecord(const CSectorWindow& data, int& result);
    // Signatures in [from, sectorEnd): names of headers and the end record.
    int Search(uint64_t sectorEnd, const CSectorWindow& data);
    // Whether the end record at `record` closes this archive: its directory
    // leads back to the archive's start, directly or through a ZIP64 end record.
    bool IsOwnEndRecord(uint64_t record, const ZipEndOfCentralDirectory& end) const;
    void EndAfterEndRecord(uint64_t record, const ZipEndOfCentralDirectory& end);

    // The last ZIP64 end record met whose directory leads back to the start.
    uint64_t m_zip64EndRecord = UINT64_MAX;
    uint64_t m_zip64EndRecordEnd = 0;
};
