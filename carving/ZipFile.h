#pragma once
// A ZIP candidate, also the zip-based office documents: its records are
// walked from the first local header to the end of the central directory,
// and the names in the central directory tell a document from an archive.
#include "carving/BaseFile.h"

#include <memory>

class CZipFile : public CBaseFile {
public:
    CZipFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector);

    // A new candidate when the sector starts with a local file header whose
    // successor, when it starts in this sector and can be seen, is another
    // record; null otherwise.
    static std::unique_ptr<CBaseFile> Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device);

    int ProcessSector(uint64_t sector, const CSectorWindow& data) override;

    uint64_t m_nextRecord = 0;        // file offset of the next record header
    bool m_complete = false;          // the end of central directory was passed
    uint64_t m_pendingNameField = 0;  // name-length field of a central entry not yet examined; 0 none
    bool m_isOffice = false;          // "[Content_Types].xml" was listed

private:
    // Types the document by the pending central directory name once its bytes
    // can be seen.
    void ExaminePendingName(const CSectorWindow& data);
};
