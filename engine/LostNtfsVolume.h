#pragma once
// An NTFS volume that no longer opens (its boot sector or the start of its
// MFT destroyed: a "RAW" drive) is carved as plain sectors, and the sectors
// are searched for MFT records as they are read. Its files are then listed
// like a formatted volume's, read with the geometry of the boot sector, of
// the boot sector's copy in the last sector, or, where neither survives,
// with a cluster size inferred from the records; a note says which.
#include "engine/FreeSpaceScanner.h"

#include <memory>

class CFoundRecords;
class CVolumeAccess;
struct ScanRun;

// The search to run over the plain sectors of `device`.
std::shared_ptr<CFoundRecords> FoundRecordsFor(const CVolumeAccess& device);
CFreeSpaceScanner::RunObserver SearchInto(std::shared_ptr<CFoundRecords> found, const CVolumeAccess& device);
// Lists what the search found, after the carving (whose file starts the
// last inference uses).
// The files keep reading through `found`.
void ListLostNtfsVolume(ScanRun& run, std::shared_ptr<const CFoundRecords> found);
