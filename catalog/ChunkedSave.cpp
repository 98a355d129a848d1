#include "catalog/ChunkedSave.h"

#include "platform/OutputFile.h"
#include "platform/TextConvert.h"

#include <algorithm>
#include <filesystem>

SaveResult SaveInChunks(const std::u16string& path, uint64_t size, uint64_t step, const ChunkReader& read) {
    SaveResult result;
    auto file = platform::OutputFile::Create(path, result.error);
    if (!file) return result;
    std::vector<uint8_t> chunk;
    bool ok = true;
    for (uint64_t offset = 0; ok && offset < size; offset += step) {
        ok = read(offset, std::min(step, size - offset), chunk, result.error) && file->Write(chunk, result.error);
        if (ok) result.bytesWritten += chunk.size();
    }
    std::string closeError;
    if (!file->Close(closeError) && ok) {
        ok = false;
        result.error = closeError;
    }
    if (!ok) {
        std::error_code ignored;
        std::filesystem::remove(platform::ToUtf8(path), ignored);
        result.bytesWritten = 0;
        return result;
    }
    result.ok = true;
    return result;
}
