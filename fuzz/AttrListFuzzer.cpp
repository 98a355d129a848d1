// A base record and its extension records, all from the input. The input is
// written once to a scratch file that serves as the volume: record n lies at
// byte n * 1024, clusters are 512 bytes, so attribute lists, non-resident
// attribute lists and data runs all read back into the input itself.
#include "fuzz/FuzzScratchFile.h"
#include "fuzz/NtfsFuzzSupport.h"
#include "ntfs/NTFSVolume.h"
#include "platform/RawSource.h"

#include <cstdlib>
#include <string>

namespace {

constexpr uint32_t kRecordSize = 1024;
constexpr size_t kMaxInput = 1 << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kRecordSize || size > kMaxInput) return 0;
    const std::span<const uint8_t> input(data, size);
    if (!fuzz_support::WriteScratch(input)) std::abort();
    std::string reason;
    std::shared_ptr<platform::RawSource> source = platform::RawSource::Open(fuzz_support::ScratchPath(), 512, reason);
    if (!source) std::abort();
    auto volume = CNTFSVolume::WithGeometry(source, 512, 1, kRecordSize, size / 512);

    CFileRecord record(*volume);
    for (uint32_t mask : {~0U, CFileRecord::kMaskSweep, CFileRecord::kMaskData}) {
        record.m_attrMask = mask;
        if (!record.LoadRecord(0)) return 0;
        record.ParseAttributes();
        fuzz_support::Exercise(record);
    }
    return 0;
}
