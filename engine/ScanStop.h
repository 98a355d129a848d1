#pragma once
// Where a stopped scan stopped, so that a saved scan can go on from there
// and end with what an uninterrupted scan finds.
#include <cstdint>

enum class ScanPhase : uint8_t {
    Finished = 0,       // the scan ran to its end
    BeforeCarving = 1,  // stopped while the file system listed what comes before the carving
    Carving = 2,        // stopped while free space was carved
    AfterCarving = 3,   // stopped in the listing after the carving (the MFT sweep)
};

struct ScanStopPoint {
    ScanPhase phase = ScanPhase::Finished;
    // Carving goes on at this unit, and in it at this sector: the first
    // sector of the file being followed at the stop, which is carved again
    // from its start, or the unit's first sector when none was (0 then).
    uint64_t nextUnit = 0;
    uint64_t nextSector = 0;
    // Carved files found before the stop point; those after it (a file
    // that was being followed, ended where it stood by the stop) are found
    // again when the scan goes on.
    uint64_t settledCarvedFiles = 0;
    // What the free-space walk counted so far, for the notes of the whole scan.
    uint64_t unreadableUnits = 0;
    uint64_t firstUnreadableUnit = 0;
    uint64_t readUnits = 0;
};
