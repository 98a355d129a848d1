#include "ntfs/MftReadAhead.h"

#include "ntfs/AttrNonResident.h"
#include "ntfs/NTFSVolume.h"
#include "platform/RawSource.h"

#include <algorithm>

MftReadAhead::MftReadAhead(const CNTFSVolume& volume, uint64_t first, uint64_t end, uint64_t windowBytes)
    : m_source(volume.Source()), m_recordSize(volume.m_fileRecordSize), m_first(first), m_end(end) {
    const auto* data = dynamic_cast<const CAttrNonResident*>(volume.m_mftData);
    if (!m_source || !data || m_recordSize == 0 || first >= end || end > data->DataSize() / m_recordSize) return;
    // Without a map (offsets too large to trust, or a first run past the
    // volume) the sweep reads every record itself.
    m_map = MftExtentMap(data, volume.m_clusterSize, volume.TotalClusters());
    if (m_map.Empty()) return;
    m_recordsPerWindow = std::max<uint64_t>(windowBytes / m_recordSize, 1);
    m_windowCount = (end - first + m_recordsPerWindow - 1) / m_recordsPerWindow;
    m_worker = std::thread([this] { Run(); });
}

MftReadAhead::~MftReadAhead() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    if (m_worker.joinable()) m_worker.join();
}

void MftReadAhead::Run() {
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> recordRead;
    for (uint64_t window = 0; window < m_windowCount; ++window) {
        const bool readWhole = ReadWindow(window, bytes, recordRead);
        std::unique_lock lock(m_mutex);
        Slot& slot = m_slots[window % 2];
        // The slot still holds the window before last until the caller has
        // moved past it.
        m_workerWaits = true;
        m_changed.wait(lock, [&] { return m_stop || !slot.ready || (m_current != kNone && m_current > slot.window); });
        m_workerWaits = false;
        if (m_stop) return;
        slot.bytes.swap(bytes);
        slot.recordRead.swap(recordRead);
        slot.window = window;
        slot.readWhole = readWhole;
        slot.ready = true;
        const bool callerWaits = m_callerWaits;
        lock.unlock();
        if (callerWaits) m_changed.notify_all();
    }
}

bool MftReadAhead::ReadWindow(uint64_t window, std::vector<uint8_t>& bytes, std::vector<uint8_t>& recordRead) const {
    const uint64_t firstRecord = m_first + window * m_recordsPerWindow;
    const uint64_t records = std::min(m_recordsPerWindow, m_end - firstRecord);
    bytes.resize(static_cast<size_t>(records * m_recordSize));
    std::vector<MftExtentMap::Unreadable> unreadable;
    const bool mapped = m_map.Read(*m_source, firstRecord * m_recordSize, bytes, unreadable);
    if (mapped && unreadable.empty()) return true;
    // Only the records that the bad sectors lie in are lost; a window that
    // runs off the map is read by the sweep itself, record by record.
    recordRead.assign(static_cast<size_t>(records), mapped ? 1 : 0);
    for (const auto& bad : unreadable) {
        const uint64_t first = (bad.start - firstRecord * m_recordSize) / m_recordSize;
        const uint64_t last = (bad.end - 1 - firstRecord * m_recordSize) / m_recordSize;
        for (uint64_t i = first; i <= last && i < records; ++i) recordRead[static_cast<size_t>(i)] = 0;
    }
    return false;
}

std::span<const uint8_t> MftReadAhead::Record(uint64_t number) {
    if (m_windowCount == 0 || number < m_first || number >= m_end) return {};
    const uint64_t window = (number - m_first) / m_recordsPerWindow;
    if (window != m_current) {
        std::unique_lock lock(m_mutex);
        m_current = window;
        // Waking a worker that is busy reading would cost a system call a window.
        if (m_workerWaits) m_changed.notify_all();
        const Slot& slot = m_slots[window % 2];
        m_callerWaits = true;
        m_changed.wait(lock, [&] { return slot.ready && slot.window >= window; });
        m_callerWaits = false;
        // A window asked for out of order is gone already.
        m_held = slot.window == window ? &slot : nullptr;
    }
    if (!m_held) return {};
    const auto index = static_cast<size_t>(number - m_first - window * m_recordsPerWindow);
    if (!m_held->readWhole && m_held->recordRead[index] == 0) return {};
    const auto offset = static_cast<size_t>(index * m_recordSize);
    // The window was just written by the other core: ask for the header of a
    // record further on now, so that it is at hand when the sweep gets there.
    constexpr size_t kAhead = 4;
    if (const size_t ahead = offset + kAhead * m_recordSize; ahead < m_held->bytes.size())
        __builtin_prefetch(m_held->bytes.data() + ahead);
    return std::span<const uint8_t>(m_held->bytes).subspan(offset, static_cast<size_t>(m_recordSize));
}
