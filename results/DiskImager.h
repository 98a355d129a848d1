#pragma once
// Copies a source into an image file the way GNU ddrescue does, with the
// read strategy every reader uses (see RescueRead): the untried parts first
// in large reads around bad areas, then the edges of what was skipped, in
// as many passes as the user allows. A ddrescue mapfile beside the copy says
// what is in it; run again with the same map, the copy goes on where it
// stopped and never reads again what it has or what was found bad.
#include "platform/DdrescueMap.h"

#include <cstdint>
#include <memory>
#include <string>

namespace platform {
class ImageOutput;
class RawSource;
}
class ScanHost;

struct ImageResult {
    bool failed = false;
    bool stopped = false;
    std::string error;          // why the copy could not go on
    uint64_t size = 0;          // bytes of the source
    uint64_t rescuedBytes = 0;  // in the copy ('+')
    uint64_t badBytes = 0;      // bad, or skipped beside bad sectors
    uint64_t badAreas = 0;
    uint64_t failedReads = 0;   // reads of the source that failed, this run
};

class CDiskImager {
public:
    // The chunk of one large read: ddrescue's cluster is smaller, but reads
    // that succeed cost little, and a bad area costs the same either way.
    static constexpr uint64_t kChunk = 1024 * 1024;

    // `commandLine` goes into the map's heading, as ddrescue's does.
    CDiskImager(std::shared_ptr<const platform::RawSource> source, std::string copyPath, std::string mapPath,
                uint32_t retryPasses, std::string commandLine);
    ~CDiskImager();

    // Progress, speed and bad bytes go to `host` as a scan's do; its stop
    // ends the copy with the map saved.
    ImageResult Run(ScanHost& host);

private:
    bool LoadMap(ImageResult& result);
    bool CopyUntried(ScanHost& host, ImageResult& result);
    bool RetryEdges(ScanHost& host, ImageResult& result);
    bool SaveMap(ImageResult& result);
    void Report(ScanHost& host, uint64_t position);
    void Tally(ImageResult& result) const;

    std::shared_ptr<const platform::RawSource> m_source;
    std::string m_copyPath;
    std::string m_mapPath;
    uint32_t m_retryPasses;
    std::string m_commandLine;
    std::string m_startTime;
    uint64_t m_size = 0;
    platform::DdrescueMap m_map;
    std::unique_ptr<platform::ImageOutput> m_output;
    uint64_t m_startedAt = 0;   // steady clock, milliseconds
    uint64_t m_savedAt = 0;
    uint64_t m_copiedThisRun = 0;
};
