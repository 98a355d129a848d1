#pragma once
// The fixed part of a ZIP header, copied out whole before its fields are
// read: from a plain buffer, or from a carving window where a header now and
// then straddles the two reads and is put together byte by byte.
#include "carving/SectorWindow.h"
#include "platform/LittleEndian.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

template <uint64_t kSize>
std::optional<std::array<uint8_t, kSize>> CopyZipFixedRecord(const platform::LeBytes& bytes, uint64_t offset) {
    if (!bytes.Has(offset, kSize)) return std::nullopt;
    std::array<uint8_t, kSize> fixed;
    std::ranges::copy(bytes.Span().subspan(offset, kSize), fixed.begin());
    return fixed;
}

template <uint64_t kSize>
std::optional<std::array<uint8_t, kSize>> CopyZipFixedRecord(const CSectorWindow& window, uint64_t offset) {
    if (const auto bytes = window.InCurrentRead(offset, kSize)) return CopyZipFixedRecord<kSize>(*bytes, 0);
    if (!window.Has(offset, kSize)) return std::nullopt;
    std::array<uint8_t, kSize> fixed;
    for (uint64_t i = 0; i < kSize; ++i) fixed[i] = window.U8(offset + i);
    return fixed;
}
