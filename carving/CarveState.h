#pragma once
// The carving engine's state across a full scan: the candidate being
// followed, the files finished so far, and the tail of the previous read for
// a candidate that continues into the next one.
#include "carving/BaseFile.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class CVolumeAccess;

class CCarveState {
public:
    // `device` is borrowed and handed to every candidate, which reads through
    // it when saved or previewed: it must outlive the carved files.
    // `sectorSize` is the device's sector size; with 0 nothing is carved.
    CCarveState(const CVolumeAccess* device, uint32_t sectorSize)
        : m_sectorSize(sectorSize), m_device(device) {}

    uint32_t GetSectorSize() const { return m_sectorSize; }
    const CVolumeAccess* GetDevice() const { return m_device; }

    // The files finished so far, in the order they finished.
    const std::vector<std::unique_ptr<CBaseFile>>& Finished() const { return m_finished; }
    // The scan is over: the candidate being followed ends where it stands
    // when its type allows (see CBaseFile::EndWhereItStands); then the
    // finished files are handed over and the list is emptied.
    std::vector<std::unique_ptr<CBaseFile>> TakeFinished();

    // The candidate being followed, if any.
    const CBaseFile* Current() const { return m_current.get(); }
    // The next sector does not continue the candidate being followed (a
    // failed read, a directory cluster): it ends where it stands when its
    // type allows, and is dropped otherwise.
    void DiscardCurrent();
    // Units in use come before the next sector fed: a candidate whose type
    // may cross them goes on in that sector, any other ends as at DiscardCurrent.
    void PassOverUnitsInUse();

private:
    friend bool FeedSector(CCarveState& state, std::span<const uint8_t> data, uint64_t sector);

    // Bytes kept from the end of a read: more than any structure that a
    // candidate reads whole (a record header with its name, a TIFF directory,
    // a compound file's table sector) and that may straddle two reads.
    static constexpr size_t kCarryBytes = 64 * 1024;

    // Keeps the tail of the read that `rest` (the current candidate's bytes
    // from file offset `sectorOffset` to the read's end) belongs to, once the
    // read's end is near.
    void KeepTail(std::span<const uint8_t> rest, uint64_t sectorOffset);
    // Starts a candidate at the sector when a start test matches, ending the
    // current one first. True when one started.
    bool StartAt(std::span<const uint8_t> data, uint64_t sector);
    // Hands the sector to the current candidate, if any; true when the
    // candidate finished or was dropped on it.
    bool FollowCurrent(std::span<const uint8_t> data, uint64_t sector);
    void ForgetCarry();

    std::vector<std::unique_ptr<CBaseFile>> m_finished;
    uint32_t m_sectorSize;
    std::unique_ptr<CBaseFile> m_current;
    const CVolumeAccess* m_device;
    uint64_t m_nextSector = 0;  // the sector that continues the current candidate
    bool m_joinAllowed = false;     // units in use lie between the last fed sector and the next
    std::vector<uint8_t> m_carry;   // the current candidate's bytes right before m_carryEnd
    uint64_t m_carryEnd = 0;        // file offset in the current candidate where m_carry ends
};

// The start tests in their fixed order (JPEG, ZIP, BMP, TIFF, then PNG,
// GIF, PDF, ISO base media, compound file, 7z, then MP3, RIFF, FLAC, Ogg,
// Matroska, transport stream, ASF, then PSD, ICO, RTF, gzip, bzip2, xz, tar,
// RAR, SQLite, RAF) on a sector
// that begins `data`; a new candidate starting at `sector`, or null.
std::unique_ptr<CBaseFile> TryStart(std::span<const uint8_t> data, uint64_t sector, uint32_t sectorSize,
                                    const CVolumeAccess* device);

// Runs one sector through the engine: a start signature replaces the current
// candidate (which ends there if its type allows), then the current
// candidate takes the sector. True when a file finished on it (it is then
// the last of Finished()).
//
// `data` holds the bytes that were read from this sector's first byte to the
// end of the current read (the sector itself and the ones after it in the
// same read; not any spare room behind them). It must hold at least one
// sector; a shorter one is not carved and ends the current candidate.
// Sectors are expected in ascending order; a candidate ends without result
// when the next sector fed is not the one that follows it.
bool FeedSector(CCarveState& state, std::span<const uint8_t> data, uint64_t sector);
