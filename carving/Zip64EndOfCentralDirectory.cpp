#include "carving/Zip64EndOfCentralDirectory.h"

#include "carving/ZipRecordSignature.h"

using namespace zip64_end_record;

namespace {

bool HasRecord(const CSectorWindow& window, uint64_t offset, uint64_t length) {
    return window.Has(offset, length) && window.U32(offset) == zip_signature::kZip64EndOfCentralDirectory;
}

}  // namespace

std::optional<uint64_t> ReadZip64EndRecordLength(const CSectorWindow& window, uint64_t offset) {
    if (!HasRecord(window, offset, kLeadSize)) return std::nullopt;
    return Zip64EndOfCentralDirectory{window.U64(offset + kRestSize)}.RecordLength();
}

std::optional<Zip64EndOfCentralDirectory> ReadZip64EndOfCentralDirectory(const CSectorWindow& window,
                                                                         uint64_t offset) {
    if (!HasRecord(window, offset, kSize)) return std::nullopt;
    Zip64EndOfCentralDirectory record;
    record.restSize = window.U64(offset + kRestSize);
    record.directorySize = window.U64(offset + kDirectorySize);
    record.directoryOffset = window.U64(offset + kDirectoryOffset);
    return record;
}
