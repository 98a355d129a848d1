#pragma once
// Bitmap attribute (type 0xB0), resident or non-resident. A resident bitmap
// is copied whole; a non-resident one is read on demand through ReadBytes.
#include "ntfs/AttrNonResident.h"
#include "ntfs/AttrResident.h"

#include <type_traits>
#include <vector>

template <typename Base>
class CAttr_Bitmap : public Base {
public:
    CAttr_Bitmap(platform::LeBytes attribute, CFileRecord& owner) : Base(attribute, owner) {
        m_bitmapSize = this->RunsValid() ? this->DataSize() : 0;
        if constexpr (std::is_same_v<Base, CAttrResident>) {
            m_bitmap.resize(static_cast<size_t>(m_bitmapSize));
            size_t got = 0;
            if (!m_bitmap.empty() && (!this->ReadBytes(0, m_bitmap, got) || got != m_bitmap.size()))
                m_bitmap.clear();
        }
    }

    uint64_t BitmapSize() const { return m_bitmapSize; }
    // The copied bitmap of a resident attribute; empty for a non-resident one.
    std::span<const uint8_t> Bitmap() const { return m_bitmap; }

private:
    uint64_t m_bitmapSize = 0;
    std::vector<uint8_t> m_bitmap;
};
