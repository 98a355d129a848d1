#include "catalog/MftDelFile.h"

#include "ntfs/DataStream.h"
#include "ntfs/FileRecord.h"
#include "platform/OutputFile.h"

namespace {

constexpr size_t kStep = 65536;

// Loads the record with its data attributes; false with a reason when the
// record or its unnamed stream is gone.
bool LoadRecordData(CFileRecord& reader, uint64_t recordNumber, std::string& error) {
    if (!reader.LoadRecord(recordNumber)) {
        error = "MFT record " + std::to_string(recordNumber) + " cannot be read";
        return false;
    }
    reader.m_attrMask = CFileRecord::kMaskData;
    if (!reader.ParseAttributes()) {
        error = "MFT record " + std::to_string(recordNumber) + " is damaged";
        return false;
    }
    CDataStream stream(reader);
    if (!stream.Exists()) {
        error = "MFT record " + std::to_string(recordNumber) + " has no data stream";
        return false;
    }
    // The key of an encrypted file is not on the volume: nothing to write
    // but ciphertext, which nobody could use.
    if (stream.IsEncrypted()) {
        error = "MFT record " + std::to_string(recordNumber) + " is encrypted and cannot be decrypted";
        return false;
    }
    return true;
}

// Reads one step at `offset`; true when it delivered the whole step or
// exactly the bytes that remain.
bool ReadStep(CDataStream& stream, uint64_t offset, uint64_t size, std::vector<uint8_t>& buffer,
              size_t& got) {
    got = 0;
    if (!stream.ReadBytes(offset, buffer, got)) return false;
    return got == kStep || got == size - offset;
}

}  // namespace

SaveResult RecoverMftFile(CFileRecord& reader, uint64_t recordNumber, const std::u16string& path) {
    SaveResult result;
    if (!LoadRecordData(reader, recordNumber, result.error)) return result;
    CDataStream stream(reader);
    auto file = platform::OutputFile::Create(path, result.error);
    if (!file) return result;

    const uint64_t size = stream.DataSize();
    std::vector<uint8_t> buffer(kStep);
    for (uint64_t offset = 0; offset < size; offset += kStep) {
        size_t got = 0;
        if (!ReadStep(stream, offset, size, buffer, got)) {
            result.error = "data of MFT record " + std::to_string(recordNumber) +
                           " cannot be read at byte " + std::to_string(offset);
            break;
        }
        if (!file->Write(std::span(buffer.data(), got), result.error)) break;
        result.bytesWritten += got;
    }
    std::string closeError;
    bool closed = file->Close(closeError);
    if (result.error.empty() && !closed) result.error = closeError;
    // A stream cut short by a bad read keeps what was read, but it is
    // reported as a failure so nobody takes it for the whole file.
    result.ok = result.error.empty();
    return result;
}

bool ReadMftFileHead(CFileRecord& reader, uint64_t recordNumber, std::vector<uint8_t>& content) {
    std::string error;
    content.clear();
    if (!LoadRecordData(reader, recordNumber, error)) return false;
    CDataStream stream(reader);
    const uint64_t size = stream.DataSize();
    const uint64_t wanted = size < kPreviewLimit ? size : kPreviewLimit;
    content.assign(static_cast<size_t>(wanted), 0);
    std::vector<uint8_t> buffer(kStep);
    for (uint64_t offset = 0; offset < wanted; offset += kStep) {
        size_t got = 0;
        // The head may end inside a step: what is missing up to the limit counts as the rest.
        if (!stream.ReadBytes(offset, buffer, got)) break;
        uint64_t missing = wanted - offset;
        if (got != kStep && got != missing) break;
        size_t take = static_cast<size_t>(got < missing ? got : missing);
        std::copy(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(take),
                  content.begin() + static_cast<std::ptrdiff_t>(offset));
    }
    return true;
}
