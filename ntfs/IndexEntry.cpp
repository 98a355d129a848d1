#include "ntfs/IndexEntry.h"

namespace {

// The key, bounded by the key length; empty when there is none or it does
// not fit in the entry.
platform::LeBytes KeyOf(const platform::LeBytes& entry) {
    const uint16_t keyLength = entry.U16(index_entry::kKeyLengthOffset);
    return keyLength == 0 ? platform::LeBytes() : entry.Sub(index_entry::kKeyOffset, keyLength);
}

}  // namespace

CIndexEntry::CIndexEntry(platform::LeBytes entry) : CFileName(KeyOf(entry)), m_entry(entry) {}
