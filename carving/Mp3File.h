#pragma once
// An MP3 candidate: an optional ID3v2 tag, then MPEG audio frames walked
// header by header to the last one of the stream, then an APE tag and an
// ID3v1 tag ("TAG", 128 bytes) when they follow. A Xing, Info or VBRI tag in
// the first frame gives the stream's byte count: a walk that breaks off
// before it is a cut copy and is dropped. Without an ID3v2 tag the file
// starts at a frame sync, which random data passes now and then, so the
// start test asks for several frames in a row. Zeros that some taggers leave
// between the ID3v2 tag and the first frame are taken in.
#include "carving/BaseFile.h"
#include "carving/MpegAudioFrame.h"

#include <memory>

class CMp3File : public CBaseFile {
public:
    // Frames a stream needs before it counts as one.
    static constexpr uint32_t kMinFrames = 4;

    CMp3File(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector, uint64_t firstFrame)
        : CBaseFile(device, sectorSize, firstSector), m_next(firstFrame), m_tagLength(firstFrame) {}

    // A new candidate when the sector starts with an ID3v2 tag header, or
    // with frames in a row as far as the read shows (two at least); null otherwise.
    static std::unique_ptr<CBaseFile> Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device);

    int ProcessSector(uint64_t sector, const CSectorWindow& data) override;
    int EndWhereItStands(uint64_t nextSector) override;
    bool ContinuesAt(uint64_t sector) const override;

private:
    // One frame header at m_next: kNotFinished to go on, or kNotThisType.
    int StepFrame(const CSectorWindow& data, bool& wait);
    // The tags behind the audio; sets m_fileEnd once they are passed.
    void StepTail(const CSectorWindow& data, bool& wait);
    // The stream length a Xing, Info or VBRI tag in the first frame gives.
    void ReadStreamTag(const CSectorWindow& data, const MpegAudioFrame& frame);

    uint64_t m_next;              // file offset of the next frame header or tag
    uint64_t m_tagLength;         // the ID3v2 tag's, 0 without one
    uint64_t m_audioEnd = 0;      // one past the last frame as the stream tag gives it; 0 unknown
    uint64_t m_fileEnd = 0;       // once known: one past the last tag
    uint32_t m_frames = 0;
    uint32_t m_streamBits = 0;
    bool m_inTail = false;        // the frames are behind; tags may follow
    bool m_apeSeen = false;
};
