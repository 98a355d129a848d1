#pragma once
// The cleared extension records of a volume, by the base record they name.
// Deleting a file whose attributes spread over several records can leave its
// attribute list short of entries (the list is shortened without being
// rewritten), so some of its extension records are named by nothing but
// their own base reference. Every record load notes the extension records
// that are no longer in use, so once a sweep has read the whole MFT, reads of
// a deleted file can still reach all of its pieces.
#include "ntfs/ClearedFileName.h"

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

class CExtensionIndex {
public:
    // Notes extension record `recordNumber`, not in use, whose base reference
    // is `baseReference`; `record` is its repaired bytes, searched for a file
    // name left past its end marker.
    void Note(uint64_t recordNumber, uint64_t baseReference, std::span<const uint8_t> record,
              uint64_t recordCount);

    // Extension records noted for base record `baseRecord`, whose sequence
    // number is now `baseSequence`, in record order.
    std::vector<uint64_t> ExtensionsOf(uint64_t baseRecord, uint16_t baseSequence) const;
    // The first file name left in one of those records, if any checked out.
    std::optional<ClearedFileName> ClearedNameOf(uint64_t baseRecord, uint16_t baseSequence) const;

    // What was noted, for a saved scan, and its return once the volume is
    // opened again without a sweep.
    struct Noted {
        uint64_t baseRecord = 0;
        uint64_t recordNumber = 0;
        uint16_t baseSequence = 0;
        std::optional<ClearedFileName> clearedName;
    };
    std::vector<Noted> AllNoted() const;
    void Restore(Noted noted);

private:
    struct Extension {
        uint16_t baseSequence = 0;  // the base's sequence number when the extension was written
        std::optional<ClearedFileName> clearedName;
    };
    static bool SameFile(uint16_t noted, uint16_t current);

    std::map<uint64_t, std::map<uint64_t, Extension>> m_byBase;
};
