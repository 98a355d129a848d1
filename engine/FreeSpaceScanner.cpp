#include "engine/FreeSpaceScanner.h"

#include "carving/CarvedType.h"
#include "catalog/FolderLoader.h"
#include "device/VolumeAccess.h"
#include "engine/ProgressText.h"
#include "engine/ReadAhead.h"
#include "engine/ScanContext.h"
#include "engine/ScanHost.h"
#include "platform/Diagnostics.h"

#include <algorithm>
#include <chrono>
#include <optional>

CFreeSpaceScanner::CFreeSpaceScanner(ScanContext& context, CVolumeAccess& device)
    : m_context(context),
      m_device(device),
      m_unitCount(device.GetUnitCount()),
      m_unitSize(device.GetUnitSize()),
      m_sectorSize(device.GetSectorSize()),
      m_sectorsPerUnit(m_sectorSize != 0 && m_unitSize % m_sectorSize == 0 ? m_unitSize / m_sectorSize : 0),
      m_maxUnitsPerRead(m_sectorsPerUnit == 0 ? 0 : std::max<uint64_t>(1, kMaxSectorsPerRead / m_sectorsPerUnit)),
      m_carveState(&device, m_sectorSize) {
    // No run is longer than the device, so a small volume needs no 20 MB buffers.
    if (IsUsable()) {
        for (auto& buffer : m_readBuffers)
            buffer.resize(std::min(m_maxUnitsPerRead, std::max<uint64_t>(m_unitCount, 1)) * m_unitSize);
    }
}

void CFreeSpaceScanner::ReportProgress(uint64_t unit) {
    if (unit % kProgressInterval != 0) return;
    m_host->SetProgressPosition(unit);
    // Single precision, as the percentage has always been shown.
    auto percent = static_cast<float>(static_cast<double>(unit) * 100.0 / static_cast<double>(m_unitCount));
    m_statusText = FormatPercent2(percent);
    m_host->SetPercentText(m_statusText);
}

void CFreeSpaceScanner::Run(ScanHost& host) {
    auto started = std::chrono::steady_clock::now();
    m_host = &host;
    if (!IsUsable()) {
        platform::Diagnostic("The device reports %u-byte units on %u-byte sectors; it cannot be scanned.\n",
                             m_unitSize, m_sectorSize);
        return;
    }
    host.SetProgressRange(m_unitCount);
    if (m_resumeFrom) {
        m_unreadableUnits = m_resumeFrom->unreadableUnits;
        m_firstUnreadableUnit = m_resumeFrom->firstUnreadableUnit;
        m_readUnits = m_resumeFrom->readUnits;
        m_skipSectorsBefore = m_resumeFrom->nextSector;
    }

    ScanRuns();
    if (host.StopRequested()) NoteStopPoint();
    EnterResults();

    auto seconds = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started);
    platform::Diagnostic("The run time is:%llds!\n", static_cast<long long>(seconds.count()));
    if (host.StopRequested()) host.ShowMessage(u"", kScanStoppedCaption);
    m_foundCount = 0;
}

uint64_t CFreeSpaceScanner::FindRunEnd(uint64_t unit) {
    uint64_t count = 0;
    while (true) {
        ReportProgress(unit);
        if (unit >= m_unitCount || m_device.IsUnitInUse(unit)) break;
        ++count;
        ++unit;
        if (count == m_maxUnitsPerRead) break;
    }
    return unit - 1;
}

uint64_t CFreeSpaceScanner::NextFreeUnit(uint64_t end) {
    uint64_t unit = end + 1;
    while (unit < m_unitCount && m_device.IsUnitInUse(unit)) {
        // A nearly full volume can hold hundreds of millions of units in use
        // in a row: a stop is heard here too.
        if (unit % kProgressInterval == 0 && m_host->StopRequested()) return m_unitCount;
        ReportProgress(unit);
        ++unit;
    }
    return unit;
}

uint64_t CFreeSpaceScanner::FirstUnit() {
    // Unit 0 is never scanned: it holds the volume's boot sector or the
    // start of the first table.
    const uint64_t from = m_resumeFrom ? m_resumeFrom->nextUnit : 0;
    if (from == 0) return NextFreeUnit(0);
    if (from >= m_unitCount) return m_unitCount;
    return m_device.IsUnitInUse(from) ? NextFreeUnit(from) : from;
}

void CFreeSpaceScanner::ScanRuns() {
    uint64_t unit = FirstUnit();
    m_nextUncarvedUnit = unit;
    if (m_resumeFrom) m_prevRunEnd = unit - 1;
    if (unit >= m_unitCount || m_host->StopRequested()) return;
    // While one run is carved from one buffer, the next is read into the
    // other. A short run is read in its turn on this thread: handing it over
    // would cost more than the read.
    CReadAhead reader(m_device);
    size_t slot = 0;
    FreeRun current{unit, FindRunEnd(unit)};
    bool readingAhead = StartReadAhead(reader, slot, current);
    while (true) {
        std::optional<FreeRun> next;
        if (!m_host->StopRequested()) {
            const uint64_t nextUnit = NextFreeUnit(current.last);
            if (nextUnit < m_unitCount) next = FreeRun{nextUnit, FindRunEnd(nextUnit)};
        }
        const std::span<uint8_t> buffer = RunBuffer(slot, current);
        const bool read = readingAhead ? reader.Finish() : m_device.ReadUnits(current.first, current.last, buffer);
        readingAhead = false;
        if (read) {
            if (next) readingAhead = StartReadAhead(reader, 1 - slot, *next);
            CarveBuffer(current.first, current.last, buffer);
        } else {
            // Read around the bad units before the next run is read, so that
            // a failing disk is asked for one thing at a time.
            CarveAroundUnreadableUnits(current.first, current.last, buffer);
            if (next && !m_host->StopRequested()) readingAhead = StartReadAhead(reader, 1 - slot, *next);
        }
        if (!next) return;
        if (m_host->StopRequested()) {
            // The next run is read already: it is carved too, so that a scan
            // that goes on later reads nothing of it again.
            if (readingAhead && reader.Finish()) CarveBuffer(next->first, next->last, RunBuffer(1 - slot, *next));
            return;
        }
        current = *next;
        slot = 1 - slot;
    }
}

bool CFreeSpaceScanner::StartReadAhead(CReadAhead& reader, size_t slot, const FreeRun& run) {
    if ((run.last - run.first + 1) * m_unitSize < kReadAheadBytes) return false;
    reader.Start(run.first, run.last, RunBuffer(slot, run));
    return true;
}

std::span<uint8_t> CFreeSpaceScanner::RunBuffer(size_t slot, const FreeRun& run) {
    return std::span<uint8_t>(m_readBuffers[slot].data(), (run.last - run.first + 1) * m_unitSize);
}

void CFreeSpaceScanner::CarveAroundUnreadableUnits(uint64_t first, uint64_t last, std::span<uint8_t> buffer) {
    uint64_t readableFirst = first;
    uint8_t* base = buffer.data();
    for (uint64_t unit = first; unit <= last && !m_host->StopRequested(); ++unit) {
        std::span<uint8_t> slot(base + (unit - first) * m_unitSize, m_unitSize);
        if (m_device.ReadUnits(unit, unit, slot)) continue;
        if (m_unreadableUnits++ == 0) m_firstUnreadableUnit = unit;
        if (unit > readableFirst)
            CarveBuffer(readableFirst, unit - 1,
                        std::span(base + (readableFirst - first) * m_unitSize, (unit - readableFirst) * m_unitSize));
        readableFirst = unit + 1;
        m_nextUncarvedUnit = unit + 1;
        // What follows an unreadable unit never continues a candidate.
        m_carveState.DiscardCurrent();
        m_prevRunEnd = unit;
    }
    if (readableFirst <= last && !m_host->StopRequested())
        CarveBuffer(readableFirst, last,
                    std::span(base + (readableFirst - first) * m_unitSize, (last - readableFirst + 1) * m_unitSize));
}

void CFreeSpaceScanner::CarveBuffer(uint64_t first, uint64_t last, std::span<const uint8_t> buffer) {
    const uint64_t units = last - first + 1;
    m_readUnits += units;
    const uint64_t unitsPerPiece = std::max<uint64_t>(1, kObservedBytes / m_unitSize);
    // A run cut by units in use is joined to the next one only by a
    // candidate whose type can tell a wrong continuation.
    if (first - m_prevRunEnd != 1) m_carveState.PassOverUnitsInUse();
    m_prevRunEnd = last;

    const uint64_t firstSector = m_device.UnitToSector(first);
    for (uint64_t i = 0; i < units; ++i) {
        if (m_runObserver && i % unitsPerPiece == 0) {
            const uint64_t offset = i * m_unitSize;
            m_runObserver(first + i, buffer.subspan(offset, std::min<uint64_t>(buffer.size() - offset,
                                                                               unitsPerPiece * m_unitSize + kObservedOverlap)));
        }
        std::span<const uint8_t> unitData(buffer.data() + i * m_unitSize, m_unitSize);
        if (LostFolderCheck(first + i, unitData)) {
            m_carveState.DiscardCurrent();
            continue;
        }
        for (uint64_t j = 0; j < m_sectorsPerUnit; ++j) {
            uint64_t index = i * m_sectorsPerUnit + j;
            const uint64_t sector = firstSector + index;
            if (sector < m_skipSectorsBefore) continue;
            std::span<const uint8_t> rest(buffer.data() + index * m_sectorSize,
                                          buffer.size() - index * m_sectorSize);
            const bool finished = FeedSector(m_carveState, rest, sector);
            if (const CBaseFile* current = m_carveState.Current(); current && current->GetFirstSector() == sector)
                m_followedUnit = first + i;
            if (!finished) continue;
            // A sector can end one file where it stands and finish another.
            m_foundCount = static_cast<uint32_t>(m_carveState.Finished().size());
            m_host->SetFoundText(FormatFoundFiles(m_foundCount));
            m_host->SetFoundCount(m_foundCount);
        }
    }
    m_nextUncarvedUnit = last + 1;
}

bool CFreeSpaceScanner::LostFolderCheck(uint64_t unit, std::span<const uint8_t> data) {
    if (m_lostFolderTest) return m_lostFolderTest(unit, data);
    return ::LostFolderCheck(m_context.catalog, unit, data);
}

void CFreeSpaceScanner::NoteStopPoint() {
    ScanStopPoint& stop = m_context.stop;
    stop.phase = ScanPhase::Carving;
    // The file being followed is carved again from its first sector; the
    // stop ends it where it stands for now.
    const CBaseFile* current = m_carveState.Current();
    stop.nextUnit = current ? m_followedUnit : m_nextUncarvedUnit;
    stop.nextSector = current ? current->GetFirstSector() : 0;
    stop.settledCarvedFiles = m_context.carvedFiles.size();
    for (const auto& file : m_carveState.Finished())
        if (IsCarvedTypeCode(file->GetType())) ++stop.settledCarvedFiles;
    stop.unreadableUnits = m_unreadableUnits;
    stop.firstUnreadableUnit = m_firstUnreadableUnit;
    stop.readUnits = m_readUnits;
}

void CFreeSpaceScanner::EnterResults() {
    for (auto& file : m_carveState.TakeFinished()) AddCarvedResult(std::move(file));
}

void CFreeSpaceScanner::AddCarvedResult(std::unique_ptr<CBaseFile> file) {
    const uint32_t type = file->GetType();
    if (!IsCarvedTypeCode(type)) return;
    const uint64_t key = CategoryKey(type);
    if (!m_context.folderMap.contains(key))
        m_context.folderMap[key] = FolderItem{0, kCategoryParentRef, CarvedGroupLabel(type), 1};
    DeletedFileItem item;
    item.recordNumber = m_context.carvedFiles.size();
    item.parentRef = key;
    item.name = file->GetName();
    item.size = file->GetLength();
    item.carvedType = type;
    m_context.deletedFiles.push_back(std::move(item));
    m_context.carvedFiles.push_back(std::move(file));
}
