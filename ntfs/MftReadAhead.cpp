#include "ntfs/MftReadAhead.h"

#include "ntfs/AttrNonResident.h"
#include "ntfs/NTFSVolume.h"
#include "platform/RawSource.h"

#include <algorithm>

MftReadAhead::MftReadAhead(const CNTFSVolume& volume, uint64_t first, uint64_t end, uint64_t windowBytes)
    : m_source(volume.Source()), m_recordSize(volume.m_fileRecordSize), m_first(first), m_end(end) {
    const auto* data = dynamic_cast<const CAttrNonResident*>(volume.m_mftData);
    const uint64_t clusterSize = volume.m_clusterSize;
    if (!m_source || !data || clusterSize == 0 || m_recordSize == 0 || first >= end ||
        data->StartingVcn() != 0 || end > data->DataSize() / m_recordSize)
        return;
    // The cluster map, checked as the attribute's own reads check it: a run
    // reaching past the volume's last cluster is damage and is not followed.
    // A map whose byte offsets do not fit in 64 bits (a crafted sparse run of
    // a huge length) is left to the record-by-record reads.
    const uint64_t totalClusters = volume.TotalClusters();
    for (const auto& run : data->Runs().Elements()) {
        const bool sparse = run->IsSparse();
        if (!sparse && (run->lcn >= totalClusters || run->clusters > totalClusters - run->lcn)) break;
        Extent extent{0, 0, 0, sparse};
        if (__builtin_mul_overflow(run->startVcn, clusterSize, &extent.start) ||
            __builtin_mul_overflow(run->clusters, clusterSize, &extent.length) ||
            (!sparse && __builtin_mul_overflow(run->lcn, clusterSize, &extent.volumeOffset))) {
            m_extents.clear();
            return;
        }
        m_extents.push_back(extent);
    }
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
    for (uint64_t window = 0; window < m_windowCount; ++window) {
        const bool readable = ReadWindow(window, bytes);
        std::unique_lock lock(m_mutex);
        Slot& slot = m_slots[window % 2];
        // The slot still holds the window before last until the caller has
        // moved past it.
        m_workerWaits = true;
        m_changed.wait(lock, [&] { return m_stop || !slot.ready || (m_current != kNone && m_current > slot.window); });
        m_workerWaits = false;
        if (m_stop) return;
        slot.bytes.swap(bytes);
        slot.window = window;
        slot.readable = readable;
        slot.ready = true;
        const bool callerWaits = m_callerWaits;
        lock.unlock();
        if (callerWaits) m_changed.notify_all();
    }
}

bool MftReadAhead::ReadWindow(uint64_t window, std::vector<uint8_t>& bytes) const {
    const uint64_t firstRecord = m_first + window * m_recordsPerWindow;
    const uint64_t records = std::min(m_recordsPerWindow, m_end - firstRecord);
    bytes.resize(static_cast<size_t>(records * m_recordSize));
    return ReadTableBytes(firstRecord * m_recordSize, bytes);
}

bool MftReadAhead::ReadTableBytes(uint64_t start, std::span<uint8_t> out) const {
    // Extents follow each other in the table's order; any gap fails the read.
    for (const Extent& extent : m_extents) {
        if (out.empty()) break;
        if (start < extent.start) return false;
        if (start - extent.start >= extent.length) continue;
        const uint64_t inExtent = start - extent.start;
        const size_t n = static_cast<size_t>(std::min<uint64_t>(out.size(), extent.length - inExtent));
        if (extent.sparse)
            std::fill_n(out.begin(), n, uint8_t{0});
        else if (!m_source->ReadAt(extent.volumeOffset + inExtent, out.data(), n))
            return false;
        out = out.subspan(n);
        start += n;
    }
    return out.empty();
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
        m_held = slot.window == window && slot.readable ? &slot : nullptr;
    }
    if (!m_held) return {};
    const auto offset = static_cast<size_t>((number - m_first - window * m_recordsPerWindow) * m_recordSize);
    // The window was just written by the other core: ask for the header of a
    // record further on now, so that it is at hand when the sweep gets there.
    constexpr size_t kAhead = 4;
    if (const size_t ahead = offset + kAhead * m_recordSize; ahead < m_held->bytes.size())
        __builtin_prefetch(m_held->bytes.data() + ahead);
    return std::span<const uint8_t>(m_held->bytes).subspan(offset, static_cast<size_t>(m_recordSize));
}
