// One MFT record from the input, loaded from a buffer on a volume with no
// source behind it: repair, attribute parsing with every type selected and
// with the sweep's selection, names, sizes and reads of every stream.
#include "fuzz/NtfsFuzzSupport.h"
#include "ntfs/NTFSVolume.h"

#include <vector>

namespace {

void RunOnGeometry(std::span<const uint8_t> input, uint16_t sectorSize, uint32_t recordSize) {
    auto volume = CNTFSVolume::WithGeometry(nullptr, sectorSize, 4096 / sectorSize, recordSize, 1 << 20);
    std::vector<uint8_t> bytes(input.begin(), input.begin() + std::min<size_t>(input.size(), recordSize));
    bytes.resize(recordSize, 0);
    CFileRecord record(*volume);
    for (uint32_t mask : {~0U, CFileRecord::kMaskSweep, CFileRecord::kMaskVolumeCheck}) {
        record.m_attrMask = mask;
        if (!record.LoadRecordBytes(bytes, 40)) return;
        (void)record.Bytes();
        record.ParseAttributes();  // a false answer still leaves what was parsed readable
        fuzz_support::Exercise(record);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> input(data, size);
    RunOnGeometry(input, 512, 1024);
    RunOnGeometry(input, 1024, 1024);
    return 0;
}
