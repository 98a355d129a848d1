#pragma once
// A committed test volume registered as a drive and scanned for real, with
// the results model the window shows.
#include "engine/ScanContext.h"
#include "results/ResultsModel.h"

#include <memory>
#include <string>

struct ScannedVolume {
    ScanContext context;
    std::unique_ptr<ResultsModel> model;
    char16_t letter = 0;
};

// Scans volume `name` ("ntfs-small", ...) as drive `letter` in mode 1
// (deleted files) or 2 (full scan); null when the volume is missing. The
// model is left out for a window that builds its own: lost FAT32 folders
// take a new number each time a tree shows them.
std::unique_ptr<ScannedVolume> ScanTestVolume(const std::string& name, int mode, char16_t letter = u'D',
                                              bool withModel = true);
