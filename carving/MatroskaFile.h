#pragma once
// A Matroska or WebM candidate: the EBML header, whose DocType tells the
// two apart, then the Segment. Its size gives the end, and the elements
// inside it (SeekHead, Info, Tracks, Clusters, Cues, …) are walked to it so
// that a cut copy shows as an element that is not one. A Segment of unknown
// size, as live recordings write it, ends before the first element that is
// not one of its own; a Cluster of unknown size is walked block by block.
#include "carving/BaseFile.h"

#include <memory>

class CMatroskaFile : public CBaseFile {
public:
    CMatroskaFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector, uint32_t mediaType,
                  uint64_t segment)
        : CBaseFile(device, sectorSize, firstSector), m_next(segment), m_mediaType(mediaType) {}

    // A new candidate when the sector starts with an EBML header whose
    // DocType is "matroska" or "webm"; null otherwise.
    static std::unique_ptr<CBaseFile> Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device);

    int ProcessSector(uint64_t sector, const CSectorWindow& data) override;
    int EndWhereItStands(uint64_t nextSector) override;

private:
    // One element header at m_next: kNotFinished to go on, or kNotThisType.
    int StepElement(const CSectorWindow& data, bool& wait);

    uint64_t m_next;               // file offset of the next element header
    uint64_t m_segmentEnd = 0;     // one past the Segment when its size is known; 0 unknown
    uint64_t m_fileEnd = 0;
    uint32_t m_mediaType;
    bool m_inSegment = false;
    bool m_inCluster = false;      // walking the blocks of a Cluster of unknown size
    bool m_clusterSeen = false;
};
