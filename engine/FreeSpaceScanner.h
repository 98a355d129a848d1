#pragma once
// The full scan: walks the free units of a sector device from start to end,
// reads each run of free units in one large read, takes FAT directory
// clusters it meets as lost folders, and feeds every other sector to the
// carving engine. Finished carved files go into the result store under their
// type folders.
#include "carving/CarveState.h"

#include "engine/ScanStop.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

class CReadAhead;
class CVolumeAccess;
class ScanContext;
class ScanHost;

class CFreeSpaceScanner {
public:
    // One read never exceeds this many sectors.
    static constexpr uint64_t kMaxSectorsPerRead = 40000;
    // Runs shorter than this are read on the scan thread, in their turn.
    static constexpr uint64_t kReadAheadBytes = 256 * 1024;
    // Progress is reported at every unit number that is a multiple of this.
    static constexpr uint64_t kProgressInterval = 2048;

    CFreeSpaceScanner(ScanContext& context, CVolumeAccess& device);

    // A device whose units are smaller than its sectors (or that knows no
    // sizes at all) cannot be scanned; Run refuses it.
    bool IsUsable() const { return m_sectorsPerUnit != 0; }
    // The whole scan; returns at the device's end or when the host asks to
    // stop, and then leaves in the context's stop point where it stopped.
    void Run(ScanHost& host);
    // The next Run goes on from where a stopped scan of this device stopped
    // (the context holds that scan's catalog and settled carved files).
    void ResumeAt(const ScanStopPoint& from) { m_resumeFrom = from; }

    uint32_t FoundCount() const { return m_foundCount; }
    // Free units that could not be read, the first of them, and the units
    // that were read: a scan that read nothing at all has failed.
    uint64_t UnreadableUnits() const { return m_unreadableUnits; }
    uint64_t FirstUnreadableUnit() const { return m_firstUnreadableUnit; }
    uint64_t ReadUnitCount() const { return m_readUnits; }

    // Replaces the FAT directory test of free units (exFAT keeps its
    // directories in another form). True means: a directory, never carved.
    using LostFolderTest = std::function<bool(uint64_t unit, std::span<const uint8_t> data)>;
    void SetLostFolderCheck(LostFolderTest test) { m_lostFolderTest = std::move(test); }
    // Shown the free units as they are read, before they are carved: a file
    // system looks there for what its own structures left, in the same pass.
    // A piece is about kObservedBytes from its first unit on, shown while it
    // is about to be carved (still in the cache), and reaches up to
    // kObservedOverlap bytes further into the same read, so that a structure
    // that starts in a piece and is no larger lies whole in it.
    using RunObserver = std::function<void(uint64_t firstUnit, std::span<const uint8_t> data)>;
    static constexpr uint64_t kObservedBytes = 1 << 20;
    static constexpr uint64_t kObservedOverlap = 64 * 1024;
    void SetRunObserver(RunObserver observer) { m_runObserver = std::move(observer); }

private:
    // Free units `first` to `last`, read in one piece.
    struct FreeRun {
        uint64_t first;
        uint64_t last;
    };

    uint64_t FirstUnit();
    uint64_t FindRunEnd(uint64_t unit);
    uint64_t NextFreeUnit(uint64_t end);
    // Every run of free units from the start, read one ahead of the carving.
    void ScanRuns();
    std::span<uint8_t> RunBuffer(size_t slot, const FreeRun& run);
    // Starts reading `run` ahead when it is long enough to be worth it.
    bool StartReadAhead(CReadAhead& reader, size_t slot, const FreeRun& run);
    // A run that failed to read as a whole is read unit by unit into
    // `buffer`, and the units that read are carved: one bad sector costs its
    // own unit, not the 40,000 sectors around it.
    void CarveAroundUnreadableUnits(uint64_t first, uint64_t last, std::span<uint8_t> buffer);
    void CarveBuffer(uint64_t first, uint64_t last, std::span<const uint8_t> buffer);
    bool LostFolderCheck(uint64_t unit, std::span<const uint8_t> data);
    void EnterResults();
    void NoteStopPoint();
    void AddCarvedResult(std::unique_ptr<CBaseFile> file);
    void ReportProgress(uint64_t unit);

    ScanContext& m_context;
    CVolumeAccess& m_device;
    ScanHost* m_host = nullptr;
    uint64_t m_unitCount;
    uint32_t m_unitSize;
    uint32_t m_sectorSize;
    uint32_t m_foundCount = 0;
    uint32_t m_sectorsPerUnit;
    std::u16string m_statusText;
    std::array<std::vector<uint8_t>, 2> m_readBuffers;
    uint64_t m_maxUnitsPerRead;
    uint64_t m_prevRunEnd = 1;
    uint64_t m_unreadableUnits = 0;
    uint64_t m_firstUnreadableUnit = 0;
    uint64_t m_readUnits = 0;
    CCarveState m_carveState;
    LostFolderTest m_lostFolderTest;
    std::optional<ScanStopPoint> m_resumeFrom;
    uint64_t m_skipSectorsBefore = 0;  // a resumed scan's first unit is carved from its stop sector
    uint64_t m_nextUncarvedUnit = 0;
    uint64_t m_followedUnit = 0;       // where the candidate being followed started
    RunObserver m_runObserver;
};
