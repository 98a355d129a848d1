#pragma once
// A carved file: found by its signature at the start of a sector during the
// full scan and followed sector by sector until its type's rule knows where
// it ends. It holds only sector numbers and offsets, and reads its content
// again from the scanned device when it is previewed or saved. A file whose
// type can tell a wrong continuation (see MayCrossUnitsInUse) goes on past
// units in use, so it lies in several runs of sectors.
#include "carving/CarvedType.h"
#include "carving/SectorWindow.h"
#include "catalog/SectorRunsReader.h"
#include "catalog/DelFile.h"

#include <cstdint>
#include <string>
#include <vector>

class CVolumeAccess;

class CBaseFile : public CDelFile {
public:
    // What ProcessSector answers besides a positive type code.
    static constexpr int kNotThisType = -1;
    static constexpr int kNotFinished = 0;

    // Reads the file's sectors and writes its bytes, with zeros where
    // sectors cannot be read; nothing readable leaves no file.
    SaveResult SaveToFile(const std::u16string& path, const SaveProgress& progress = {}) override;
    // The file's first kPreviewLimit bytes at most; false and empty when
    // nothing of them can be read.
    bool ReadContent(std::vector<uint8_t>& content) override;

    // The type's end rule for one sector, from the first sector on, in order:
    // kNotThisType, kNotFinished, or the type code once the last sector is known.
    virtual int ProcessSector(uint64_t sector, const CSectorWindow& data) = 0;

    // The candidate will be fed no more sectors: `nextSector`, the one that
    // would have continued it, starts another file, lies beyond a gap in the
    // free space, or the scan ended. A type whose end shows only in
    // hindsight (a PDF after its last "%%EOF", a media file whose last box
    // ended right there) takes that end and answers its type code; the
    // others answer kNotThisType.
    virtual int EndWhereItStands(uint64_t /*nextSector*/) { return kNotThisType; }

    // Whether the candidate may go on in the next free sector after units in
    // use, as if free space were one stream: only a type whose structure
    // shows within a few bytes that the bytes after the join are not its own
    // (JPEG markers, PNG chunk headers, ZIP records at their places); the
    // others end there as at any gap.
    virtual bool MayCrossUnitsInUse() const { return false; }
    // The candidate goes on at `sector` after units in use; the sector after
    // its last fed one is not free.
    void JoinAt(uint64_t sector, uint64_t lastFedSector);
    // Whether the file lies in more than one run of sectors.
    bool IsJoined() const { return !m_joins.empty(); }
    // The file's runs of sectors, from its first to its last.
    std::vector<SectorRun> Runs() const;

    // True when the candidate's walk expects its own next structure right at
    // the first byte of `sector` (an audio frame, a transport packet, a page):
    // a start signature there is then the file going on, not another file,
    // and is tried as one only if the candidate ends on that sector.
    virtual bool ContinuesAt(uint64_t /*sector*/) const { return false; }

    uint32_t GetType() const { return m_type; }
    uint64_t GetFirstSector() const { return m_firstSector; }
    uint64_t GetLastSector() const { return m_lastSector; }
    uint32_t GetLastByteIndex() const { return m_lastByteIndex; }
    uint32_t GetSectorSize() const { return m_sectorSize; }
    // The file's sectors up to the last plus the last byte's index plus one.
    uint64_t GetLength() const;
    // File offset of the first byte of `sector`, one of the file's sectors.
    uint64_t SectorOffset(uint64_t sector) const {
        if (m_joins.empty()) return (sector - m_firstSector) * m_sectorSize;
        return JoinedSectorOffset(sector);
    }
    // The name the file is listed and saved under, e.g. "pic2048.jpg", and the
    // group label of its type; empty while it has no type.
    std::u16string GetName() const;
    std::u16string GetGroupLabel() const;

    // Set by the carving state when the candidate finishes.
    void SetType(uint32_t type) { m_type = type; }

protected:
    CBaseFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector)
        : m_device(device), m_sectorSize(sectorSize), m_firstSector(firstSector),
          m_lastSector(firstSector) {}

    // Records that the file's last byte is the one before file offset `fileEnd`.
    void SetEnd(uint64_t fileEnd);
    // For a type that knows where its file ends: `type` once `sector` holds
    // the byte before `fileEnd` (or lies past it), kNotFinished before.
    int FinishWhenReached(uint64_t sector, uint64_t fileEnd, uint32_t type);
    // A walk from structure to structure (frames, pages, elements, objects):
    // `step(wait)` reads the one at `next` and moves `next` on, or sets
    // `fileEnd` once the file's end shows, or sets `wait` when the structure
    // reaches past what the read shows (the next read's carried bytes show it
    // whole), or answers kNotThisType. Steps run while `next` lies in this
    // sector; then the type once the sector holding the end is reached.
    template <typename Step>
    int WalkSector(uint64_t sector, const CSectorWindow& data, const uint64_t& next, const uint64_t& fileEnd,
                   uint32_t type, Step step) {
        const uint64_t sectorEnd = SectorOffset(sector) + m_sectorSize;
        bool wait = false;
        while (fileEnd == 0 && !wait && next >= data.Start() && next < sectorEnd) {
            if (step(wait) == kNotThisType) return kNotThisType;
        }
        if (fileEnd == 0) return kNotFinished;
        return FinishWhenReached(sector, fileEnd, type);
    }

    const CVolumeAccess* m_device;  // borrowed: the scanned device outlives its results
    uint32_t m_sectorSize;
    uint64_t m_firstSector;
    uint64_t m_lastSector;
    uint32_t m_lastByteIndex = 0;
    uint32_t m_type = 0;

private:
    // A run after the first: the device sector it starts on and how many of
    // the file's sectors come before it.
    struct Join {
        uint64_t deviceSector;
        uint64_t fileSector;
    };

    uint64_t JoinedSectorOffset(uint64_t sector) const;
    // The device sector that holds the file's sector number `fileSector`.
    uint64_t DeviceSectorOf(uint64_t fileSector) const;

    std::vector<Join> m_joins;  // ascending; empty for a file in one run

    // Whether the scanned device is still there to read the file from.
    bool DeviceReadable(std::string& error) const;
};
