#pragma once
// The bytes a candidate can see while one sector is examined, addressed by
// offset within the candidate's file. They are the current read from this
// sector to the end of what was read, and, when this sector opens a new read
// that continues the previous one, the tail of the previous read's last
// sector. Record headers that straddle two reads are thus seen whole; any
// byte outside both is absent, and a candidate that needs it waits for the
// next sector.
#include "platform/LittleEndian.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

// True when `bytes` hold `text` at `offset`.
bool BytesAre(const platform::LeBytes& bytes, uint64_t offset, std::string_view text);

class CSectorWindow {
public:
    // `sectorOffset` is the file offset of the current sector's first byte;
    // `current` starts there; `before` ends right before it (may be empty).
    CSectorWindow(uint64_t sectorOffset, std::span<const uint8_t> current,
                  std::span<const uint8_t> before = {});

    // File offset of the first visible byte, and one past the last.
    uint64_t Start() const { return m_sectorOffset - m_before.Size(); }
    uint64_t End() const { return m_sectorOffset + m_current.Size(); }

    // True when [offset, offset + length) is visible, without overflow.
    bool Has(uint64_t offset, uint64_t length) const;

    // Field reads; a byte that is not visible reads as zero (ask Has first).
    uint8_t U8(uint64_t offset) const;
    uint16_t U16(uint64_t offset) const;
    uint32_t U32(uint64_t offset) const;
    uint16_t BigU16(uint64_t offset) const;
    uint32_t BigU32(uint64_t offset) const;
    uint64_t BigU64(uint64_t offset) const;
    uint64_t U64(uint64_t offset) const;
    // True when the visible bytes at `offset` begin with `text`.
    bool StartsWith(uint64_t offset, std::string_view text) const;
    // The first offset in [from, to) where `text` starts, as far as its bytes
    // can be seen: a match cut off by the end of the window is answered too
    // (ask Has whether it is whole). `to` when there is none.
    uint64_t Find(uint64_t from, uint64_t to, std::string_view text) const;

    // The current read from this sector on, for scans within the sector.
    const platform::LeBytes& Current() const { return m_current; }
    // [offset, offset + length) as one buffer when it lies wholly in the
    // current read, as nearly every record does: it is then read with plain
    // buffer reads. Nothing when it reaches into the earlier read or past the end.
    std::optional<platform::LeBytes> InCurrentRead(uint64_t offset, uint64_t length) const {
        if (offset < m_sectorOffset || !m_current.Has(offset - m_sectorOffset, length)) return std::nullopt;
        return m_current.Sub(offset - m_sectorOffset, length);
    }

private:
    uint64_t Field(uint64_t offset, unsigned width) const;

    uint64_t m_sectorOffset;
    platform::LeBytes m_current;
    platform::LeBytes m_before;
};
