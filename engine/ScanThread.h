#pragma once
// Where a scan starts: decides whether the drive is an NTFS volume the MFT
// sweep can read and, for the full scan, which sector device goes under the
// carving driver. Everything found goes into the scan context.
//
// A scan opens its drive once and hands that one source down to every layer
// (the NTFS volume, the sector device, the FAT32 catalog), so a source that
// is a window into a larger disk reads the same everywhere. Neither the drive
// table nor the code page may change while a scan runs.
#include "engine/ScanOutcome.h"

#include <memory>

namespace platform {
class RawSource;
}
class CNTFSVolume;
class ScanContext;
class ScanHost;

// The whole scan of drive `letter` in the context's recovery mode: the MFT
// sweep, the full scan, or the full scan followed by the sweep. Resolves the
// letter in the drive table once and opens it; a drive that cannot be opened
// ends the scan as failed, with the reason. The context is reset first. The
// host hears the outcome in its ScanEnded call, which is also returned.
ScanOutcome RunScanThread(ScanContext& context, ScanHost& host, char16_t letter);

// The same on a source that is already open; `letter` names the drive in the
// texts the host shows.
ScanOutcome RunScan(ScanContext& context, ScanHost& host, std::shared_ptr<const platform::RawSource> source,
                    char16_t letter);
