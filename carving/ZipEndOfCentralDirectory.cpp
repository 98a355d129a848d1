#include "carving/ZipEndOfCentralDirectory.h"

#include "carving/ZipRecordSignature.h"

namespace {

// What a field holds when its value lives in the ZIP64 end record.
constexpr uint32_t kInZip64Record = 0xFFFFFFFF;
constexpr uint16_t kEntriesInZip64Record = 0xFFFF;

}  // namespace

bool ZipEndOfCentralDirectory::DefersToZip64() const {
    return directoryOffset == kInZip64Record || directorySize == kInZip64Record || entries == kEntriesInZip64Record;
}

std::optional<ZipEndOfCentralDirectory> ReadZipEndOfCentralDirectory(const CSectorWindow& window, uint64_t offset) {
    using namespace zip_end_record;
    if (!window.Has(offset, kSize) || window.U32(offset) != zip_signature::kEndOfCentralDirectory)
        return std::nullopt;
    ZipEndOfCentralDirectory record;
    record.diskNumber = window.U16(offset + kDiskNumber);
    record.directoryDisk = window.U16(offset + kDirectoryDisk);
    record.entriesOnDisk = window.U16(offset + kEntriesOnDisk);
    record.entries = window.U16(offset + kEntries);
    record.directorySize = window.U32(offset + kDirectorySize);
    record.directoryOffset = window.U32(offset + kDirectoryOffset);
    record.commentLength = window.U16(offset + kCommentLength);
    return record;
}
