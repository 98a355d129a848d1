#pragma once
// An ASF candidate (WMV, WMA): the header object, whose File Properties
// give the file's size and whose Stream Properties tell video from audio,
// then the top-level objects (data, indexes) walked by their 64-bit sizes.
// The file ends where the size says and the walk lands; where the header
// gives no size (a broadcast), at the first object that is not an ASF one.
#include "carving/BaseFile.h"

#include <memory>

class CAsfFile : public CBaseFile {
public:
    CAsfFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector, uint64_t headerSize)
        : CBaseFile(device, sectorSize, firstSector), m_headerSize(headerSize), m_nextObject(headerSize) {}

    // A new candidate when the sector starts with an ASF header object; null otherwise.
    static std::unique_ptr<CBaseFile> Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device);

    int ProcessSector(uint64_t sector, const CSectorWindow& data) override;
    int EndWhereItStands(uint64_t nextSector) override;

private:
    // Reads the header's objects once they are in view; false when they do not fit it.
    bool ReadHeader(const CSectorWindow& data);
    // One top-level object at m_nextObject: kNotFinished to go on, or kNotThisType.
    int StepObject(const CSectorWindow& data, bool& wait);

    uint64_t m_headerSize;
    uint64_t m_nextObject;
    uint64_t m_fileSize = 0;    // from File Properties; 0 unknown
    uint64_t m_fileEnd = 0;
    uint32_t m_mediaType = 0;   // set once the header was read
    bool m_dataSeen = false;
};
