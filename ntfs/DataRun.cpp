#include "ntfs/DataRun.h"

#include <limits>

namespace {

constexpr uint64_t kInt64Max = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());

// The little-endian value of `size` bytes at `offset`; a size of 0 is 0.
uint64_t UnsignedField(const platform::LeBytes& runs, uint64_t offset, unsigned size) {
    uint64_t value = 0;
    for (unsigned i = 0; i < size; ++i) value |= uint64_t(runs.U8(offset + i)) << (8 * i);
    return value;
}

// Same, sign-extended from the top bit of its last byte.
int64_t SignedField(const platform::LeBytes& runs, uint64_t offset, unsigned size) {
    uint64_t value = UnsignedField(runs, offset, size);
    if (size > 0 && size < 8 && (value >> (8 * size - 1)) & 1) value |= ~0ULL << (8 * size);
    return static_cast<int64_t>(value);
}

}  // namespace

bool ParseDataRuns(platform::LeBytes runs, uint64_t vcnCount, CSList<tagDataRun_Entry>& list) {
    uint64_t position = 0;
    int64_t currentLcn = 0;
    uint64_t runningVcn = 0;
    // Each run takes at least one byte, so the walk ends within the buffer.
    while (runs.Has(position, 1)) {
        const uint8_t header = runs.U8(position);
        if (header == 0) return true;
        const unsigned lengthSize = header & 0x0F;
        const unsigned offsetSize = header >> 4;
        if (lengthSize > 8 || offsetSize > 8) return true;
        // A run whose fields reach past the attribute ends the list like a bad header.
        if (!runs.Has(position + 1, uint64_t(lengthSize) + offsetSize)) return true;

        const uint64_t length = UnsignedField(runs, position + 1, lengthSize);
        if (length > kInt64Max) return true;
        const int64_t offset = SignedField(runs, position + 1 + lengthSize, offsetSize);

        if (offset > 0 ? currentLcn > std::numeric_limits<int64_t>::max() - offset
                       : currentLcn < std::numeric_limits<int64_t>::min() - offset)
            return false;
        currentLcn += offset;
        if (currentLcn < 0) return false;
        if (length == 0) return false;

        auto entry = std::make_unique<tagDataRun_Entry>();
        entry->lcn = offsetSize == 0 ? tagDataRun_Entry::kSparse : static_cast<uint64_t>(currentLcn);
        entry->clusters = length;
        entry->startVcn = runningVcn;
        entry->lastVcn = runningVcn + length - 1;
        if (length > vcnCount || runningVcn > vcnCount - length) {
            list.RemoveAll();
            return false;
        }
        runningVcn += length;
        list.Append(std::move(entry));
        position += 1 + lengthSize + offsetSize;
    }
    // The run list ran into the end of the attribute without its closing zero.
    return true;
}
