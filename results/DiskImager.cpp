#include "results/DiskImager.h"

#include "engine/ProgressText.h"
#include "engine/ScanHost.h"
#include "platform/ImageOutput.h"
#include "platform/RawSource.h"
#include "platform/TextConvert.h"
#include "results/ResultList.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <vector>

namespace {

// A map lists one line per area; even a badly damaged disk's fits in this.
constexpr size_t kMapLimit = 64 * 1024 * 1024;
// How often the map is saved while the copy runs, as ddrescue does, so that
// a crash loses little.
constexpr uint64_t kSaveIntervalMs = 2000;

uint64_t NowMs() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

std::string LocalTimeText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

char StatusOf(const platform::BadRange& bad, bool edgesDone) {
    if (bad.tries > 0) return platform::kBadSector;
    return edgesDone ? platform::kNonScraped : platform::kNonTrimmed;
}

const char* PhaseText(char status) {
    switch (status) {
    case platform::kNonTried: return "Copying non-tried blocks... Pass 1 (forwards)";
    case platform::kNonTrimmed: return "Trimming failed blocks...";
    default: return "Finished";
    }
}

}  // namespace

CDiskImager::CDiskImager(std::shared_ptr<const platform::RawSource> source, std::string copyPath, std::string mapPath,
                         uint32_t retryPasses, std::string commandLine)
    : m_source(std::move(source)), m_copyPath(std::move(copyPath)), m_mapPath(std::move(mapPath)),
      m_retryPasses(retryPasses), m_commandLine(std::move(commandLine)) {}

CDiskImager::~CDiskImager() = default;

ImageResult CDiskImager::Run(ScanHost& host) {
    ImageResult result;
    m_startTime = LocalTimeText();
    m_startedAt = NowMs();
    platform::Geometry geometry;
    if (!m_source || !m_source->QueryGeometry(geometry)) {
        result.failed = true;
        result.error = "the size of the source cannot be read";
        return result;
    }
    m_size = geometry.byteSize;
    result.size = m_size;
    const uint64_t failedBefore = m_source->BadRanges().FailedReads();
    if (!LoadMap(result)) return result;
    m_output = platform::ImageOutput::Open(m_copyPath, m_size, result.error);
    if (!m_output) {
        result.failed = true;
        return result;
    }
    host.SetTitle(u"正在创建磁盘映像......");
    host.SetProgressRange(1000);
    const bool copied = CopyUntried(host, result) && RetryEdges(host, result);
    if (!copied && !result.failed) result.stopped = true;
    if (!result.failed && !m_output->Sync(result.error)) result.failed = true;
    if (!SaveMap(result)) result.failed = true;
    Tally(result);
    result.failedReads = m_source->BadRanges().FailedReads() - failedBefore;
    return result;
}

bool CDiskImager::LoadMap(ImageResult& result) {
    std::error_code missing;
    if (!std::filesystem::exists(m_mapPath, missing)) {
        m_map.blocks.Assign(0, m_size, platform::kNonTried);
        return true;
    }
    std::string text;
    std::string reason;
    if (!platform::ReadSmallFile(m_mapPath, kMapLimit, text, reason) ||
        !platform::ParseDdrescueMap(text, m_map, reason)) {
        result.failed = true;
        result.error = "the map " + m_mapPath + " cannot be used: " + reason;
        return false;
    }
    const auto blocks = m_map.blocks.Pieces();
    if (!blocks.empty() && blocks.back().end > m_size) {
        result.failed = true;
        result.error = "the map " + m_mapPath + " covers " + std::to_string(blocks.back().end) +
                       " bytes, more than the source holds (" + std::to_string(m_size) +
                       "): it belongs to another source";
        return false;
    }
    // What the map does not list has not been tried.
    uint64_t position = 0;
    for (const auto& block : blocks) {
        if (block.start > position) m_map.blocks.Assign(position, block.start, platform::kNonTried);
        position = block.end;
    }
    if (position < m_size) m_map.blocks.Assign(position, m_size, platform::kNonTried);
    // What the last run could not read is not read again but by the edge passes.
    platform::BadRangeMap& bad = m_source->BadRanges();
    for (const auto& block : m_map.blocks.Pieces()) {
        if (block.value == platform::kBadSector) bad.Mark(block.start, block.end, 1);
        if (block.value == platform::kNonTrimmed || block.value == platform::kNonScraped)
            bad.Mark(block.start, block.end, 0);
    }
    return true;
}

bool CDiskImager::CopyUntried(ScanHost& host, ImageResult& result) {
    m_map.currentStatus = platform::kNonTried;
    m_map.currentPass = 1;
    platform::RescueRead reader = m_source->Rescuer();
    std::vector<uint8_t> buffer(kChunk);
    const uint64_t sector = m_source->SectorSize();
    for (const auto& block : m_map.blocks.Pieces()) {
        if (block.value != platform::kNonTried) continue;
        for (uint64_t position = block.start; position < block.end;) {
            if (host.StopRequested()) return false;
            // Chunks end on whole sectors, so that a bad sector is one range.
            uint64_t end = std::min(block.end, position + kChunk);
            if (end < block.end && end % sector != 0 && end - end % sector > position) end -= end % sector;
            const auto length = static_cast<size_t>(end - position);
            reader.Copy(position, std::span(buffer).first(length));
            m_map.blocks.Assign(position, end, platform::kFinished);
            uint64_t good = position;
            const auto writeGood = [&](uint64_t upTo) {
                if (upTo > good && !m_output->WriteAt(good, std::span(buffer).subspan(good - position, upTo - good), result.error))
                    return false;
                m_copiedThisRun += upTo > good ? upTo - good : 0;
                return true;
            };
            bool written = true;
            for (const platform::BadRange& bad : m_source->BadRanges().Overlapping(position, end)) {
                written = written && writeGood(bad.start);
                m_map.blocks.Assign(bad.start, bad.end, StatusOf(bad, false));
                good = bad.end;
            }
            if (!written || !writeGood(end)) {
                result.failed = true;
                return false;
            }
            position = end;
            m_map.currentPosition = position;
            Report(host, position);
            if (NowMs() - m_savedAt >= kSaveIntervalMs && !SaveMap(result)) return false;
        }
    }
    return true;
}

bool CDiskImager::RetryEdges(ScanHost& host, ImageResult& result) {
    m_map.currentStatus = platform::kNonTrimmed;
    platform::RescueRead reader = m_source->Rescuer();
    bool written = true;
    const platform::RescueRead::Delivered intoCopy = [&](uint64_t at, std::span<const uint8_t> bytes) {
        if (!written || at >= m_size) return;
        const auto length = std::min<uint64_t>(bytes.size(), m_size - at);
        written = m_output->WriteAt(at, bytes.first(length), result.error);
        m_map.blocks.Assign(at, at + length, platform::kFinished);
        m_copiedThisRun += length;
    };
    for (uint32_t pass = 1; pass <= m_retryPasses && written; ++pass) {
        if (host.StopRequested()) return false;
        m_map.currentPass = pass;
        reader.RetryEdges(0, m_size, pass, intoCopy);
        Report(host, m_size);
    }
    if (!written) {
        result.failed = true;
        return false;
    }
    // Skipped sectors whose edges were come back to are left for scraping.
    for (const platform::BadRange& bad : m_source->BadRanges().Overlapping(0, m_size))
        m_map.blocks.Assign(bad.start, bad.end, StatusOf(bad, m_retryPasses > 0));
    m_map.currentStatus = platform::kFinished;
    m_map.currentPass = 1;
    m_map.currentPosition = 0;
    return true;
}

bool CDiskImager::SaveMap(ImageResult& result) {
    m_savedAt = NowMs();
    const std::string heading = "Mapfile. Created by Ruvex\nCommand line: " + m_commandLine +
                                "\nStart time:   " + m_startTime + "\nCurrent time: " + LocalTimeText() + "\n" +
                                PhaseText(m_map.currentStatus);
    std::string error;
    if (platform::ReplaceFileText(m_mapPath, platform::FormatDdrescueMap(m_map, m_size, heading), error)) return true;
    result.failed = true;
    if (result.error.empty()) result.error = error;
    return false;
}

void CDiskImager::Report(ScanHost& host, uint64_t position) {
    if (m_size == 0) return;
    host.SetProgressPosition(position * 1000 / m_size);
    host.SetPercentText(FormatPercent1(100.0 * static_cast<double>(position) / static_cast<double>(m_size)));
    const uint64_t elapsedMs = std::max<uint64_t>(NowMs() - m_startedAt, 1);
    const uint64_t speed = m_copiedThisRun * 1000 / elapsedMs;
    host.SetFoundText(u"坏扇区" + SizeText(m_source->BadRanges().Bytes()) + u",速度" + SizeText(speed) + u"/s");
}

void CDiskImager::Tally(ImageResult& result) const {
    bool inBad = false;
    for (const auto& block : m_map.blocks.Pieces()) {
        const uint64_t bytes = block.end - block.start;
        const bool bad = block.value != platform::kFinished && block.value != platform::kNonTried;
        if (block.value == platform::kFinished) result.rescuedBytes += bytes;
        if (bad) result.badBytes += bytes;
        if (bad && !inBad) ++result.badAreas;
        inBad = bad;
    }
}
