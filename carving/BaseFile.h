#pragma once
// A carved file: found by its signature at the start of a sector during the
// full scan and followed sector by sector until its type's rule knows where
// it ends. It holds only sector numbers and offsets, and reads its content
// again from the scanned device when it is previewed or saved.
#include "carving/CarvedType.h"
#include "carving/SectorWindow.h"
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

    // Whether a start signature at `sector`, the next one to be fed, is this
    // file's own content rather than a file of its own: a file packed in a
    // tar archive starts at a sector, right behind its member header.
    virtual bool OwnsSignatureAt(uint64_t /*sector*/) const { return false; }

    uint32_t GetType() const { return m_type; }
    uint64_t GetFirstSector() const { return m_firstSector; }
    uint64_t GetLastSector() const { return m_lastSector; }
    uint32_t GetLastByteIndex() const { return m_lastByteIndex; }
    uint32_t GetSectorSize() const { return m_sectorSize; }
    // (last - first) sectors plus the last byte's index plus one.
    uint64_t GetLength() const;
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

    // File offset of the first byte of `sector`.
    uint64_t SectorOffset(uint64_t sector) const { return (sector - m_firstSector) * m_sectorSize; }
    // Records that the file's last byte is the one before file offset `fileEnd`.
    void SetEnd(uint64_t fileEnd);
    // For a type that knows where its file ends: `type` once `sector` holds
    // the byte before `fileEnd` (or lies past it), kNotFinished before.
    int FinishWhenReached(uint64_t sector, uint64_t fileEnd, uint32_t type);

    const CVolumeAccess* m_device;  // borrowed: the scanned device outlives its results
    uint32_t m_sectorSize;
    uint64_t m_firstSector;
    uint64_t m_lastSector;
    uint32_t m_lastByteIndex = 0;
    uint32_t m_type = 0;

private:
    // Whether the scanned device is still there to read the file from.
    bool DeviceReadable(std::string& error) const;
};
