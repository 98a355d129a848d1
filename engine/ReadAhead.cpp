#include "engine/ReadAhead.h"

#include "device/VolumeAccess.h"

CReadAhead::CReadAhead(const CVolumeAccess& device) : m_device(device), m_worker([this] { Work(); }) {}

CReadAhead::~CReadAhead() {
    Finish();
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    m_worker.join();
}

void CReadAhead::Start(uint64_t first, uint64_t last, std::span<uint8_t> buffer) {
    {
        std::lock_guard lock(m_mutex);
        m_first = first;
        m_last = last;
        m_buffer = buffer;
        m_requested = true;
        m_inFlight = true;
    }
    m_changed.notify_all();
}

bool CReadAhead::Finish() {
    std::unique_lock lock(m_mutex);
    if (!m_inFlight) return false;
    m_changed.wait(lock, [this] { return !m_requested && !m_busy; });
    m_inFlight = false;
    return m_succeeded;
}

void CReadAhead::Work() {
    std::unique_lock lock(m_mutex);
    while (true) {
        m_changed.wait(lock, [this] { return m_requested || m_quit; });
        if (m_quit) return;
        m_requested = false;
        m_busy = true;
        const uint64_t first = m_first, last = m_last;
        const std::span<uint8_t> buffer = m_buffer;
        lock.unlock();
        const bool succeeded = m_device.ReadUnits(first, last, buffer);
        lock.lock();
        m_succeeded = succeeded;
        m_busy = false;
        m_changed.notify_all();
    }
}
