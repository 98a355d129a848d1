#include "ntfs/IndexEntry.h"

namespace {

platform::LeBytes KeyOf(const platform::LeBytes& entry) {
    const uint16_t keyLength = entry.U16(0x0A);
    return keyLength == 0 ? platform::LeBytes() : entry.Sub(CIndexEntry::kHeaderSize, keyLength);
}

}  // namespace

CIndexEntry::CIndexEntry(platform::LeBytes entry) : CFileName(KeyOf(entry)), m_entry(entry) {}
