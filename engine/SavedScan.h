#pragma once
// A saved scan: everything a finished or stopped scan found, where a stopped
// scan stopped, and the identity of the source it was made of, in the
// versioned format of engine/SavedScanFormat.md. Loading builds a context
// that lists the results as the scan did, without reading the source; the
// found files read their content once the source is open again
// (engine/SavedScanSource.h).
#include "engine/ScanOutcome.h"
#include "engine/SourceIdentity.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

class ScanContext;

inline constexpr uint32_t kSavedScanVersion = 1;

struct SavedScanInfo {
    SourceIdentity source;
    char16_t letter = u'Z';  // the drive the results were listed and recovered under
    bool stopped = false;
    std::u16string note;     // what the scan could not read
};

std::vector<uint8_t> EncodeSavedScan(const ScanContext& context, const SavedScanInfo& info);
// Resets the context and fills it from `bytes`; false, with the reason for
// the user ("… was saved by another version …", "… is damaged: …"), for
// anything that is not a whole saved scan of this version.
bool DecodeSavedScan(std::span<const uint8_t> bytes, ScanContext& context, SavedScanInfo& info, std::string& error);

// The same through a file, written atomically. The errors name the file.
bool WriteSavedScan(const std::string& path, const ScanContext& context, const SavedScanInfo& info,
                    std::string& error);
bool ReadSavedScan(const std::string& path, ScanContext& context, SavedScanInfo& info, std::string& error);
