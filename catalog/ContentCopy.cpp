#include "catalog/ContentCopy.h"

#include "catalog/ContentReader.h"
#include "platform/DestinationCheck.h"
#include "platform/OutputFile.h"
#include "platform/TextConvert.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>

namespace {

// Reads `buffer` from `offset`; a piece that fails is read again granule by
// granule, and the granules that fail again are zeroed. Returns the bytes
// that could not be read; the first reason goes to `error` when it is empty.
uint64_t ReadKeepingWhatReads(ContentReader& reader, uint64_t offset, std::span<uint8_t> buffer, std::string& error) {
    std::string reason;
    if (reader.Read(offset, buffer, reason)) return 0;
    const uint64_t granule = std::max<uint32_t>(reader.Granule(), 1);
    uint64_t unreadable = 0;
    for (uint64_t done = 0; done < buffer.size(); done += granule) {
        auto piece = buffer.subspan(done, std::min<uint64_t>(granule, buffer.size() - done));
        reason.clear();
        if (reader.Read(offset + done, piece, reason)) continue;
        std::fill(piece.begin(), piece.end(), uint8_t{0});
        unreadable += piece.size();
        if (error.empty()) error = reason;
    }
    return unreadable;
}

// Steps of kCopyStep bytes, cut to whole granules.
uint64_t StepFor(const ContentReader& reader) {
    const uint64_t granule = std::max<uint32_t>(reader.Granule(), 1);
    return std::max(granule, kCopyStep - kCopyStep % granule);
}

// The output file, created on the first write, so that a file of which
// nothing could be read never appears; zeros owed from before are written
// first.
class LazyOutput {
public:
    explicit LazyOutput(const std::u16string& path) : m_path(path) {}
    ~LazyOutput() { Discard(); }

    // Zeros for a piece of which nothing could be read: written at once
    // when the file exists, else owed until it does.
    bool WriteZeros(uint64_t count, std::string& error) {
        if (!m_file) {
            m_zerosOwed += count;
            return true;
        }
        return WriteZerosNow(count, error);
    }
    bool Write(std::span<const uint8_t> bytes, std::string& error) {
        if (!m_file) {
            m_file = platform::OutputFile::Create(m_path, error);
            if (!m_file || !WriteZerosNow(m_zerosOwed, error)) return false;
            m_zerosOwed = 0;
        }
        return m_file->Write(bytes, error);
    }
    bool Keep(std::string& error) {
        bool closed = !m_file || m_file->Close(error);
        m_file.reset();
        if (!closed) {
            const int why = errno;  // the caller tells a full destination by it
            RemoveFile();
            errno = why;
        }
        return closed;
    }
    // Removes whatever was written.
    void Discard() {
        if (!m_file) return;
        m_file.reset();
        RemoveFile();
    }

private:
    bool WriteZerosNow(uint64_t count, std::string& error) {
        std::vector<uint8_t> zeros(static_cast<size_t>(std::min(count, kCopyStep)), 0);
        for (uint64_t left = count; left > 0;) {
            uint64_t n = std::min<uint64_t>(left, zeros.size());
            if (!m_file->Write(std::span(zeros).first(n), error)) return false;
            left -= n;
        }
        return true;
    }
    void RemoveFile() {
        std::error_code ignored;
        std::filesystem::remove(std::filesystem::path(platform::ToUtf8(m_path)), ignored);
    }

    std::u16string m_path;
    std::unique_ptr<platform::OutputFile> m_file;
    uint64_t m_zerosOwed = 0;
};

}  // namespace

SaveResult SaveContent(ContentReader& reader, const std::u16string& path, const SaveProgress& progress) {
    SaveResult result;
    const uint64_t size = reader.Size();
    LazyOutput output(path);
    if (size == 0) {
        // Nothing to read: the file is empty, not lost.
        if (!output.Write({}, result.error) || !output.Keep(result.error)) {
            result.destinationFull = platform::IsNoSpaceError(errno);
            return result;
        }
        result.ok = true;
        return result;
    }
    const uint64_t step = StepFor(reader);
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min(step, size)));
    std::string readError;
    for (uint64_t offset = 0; offset < size; offset += step) {
        if (progress && !progress(offset)) {
            output.Discard();
            result = SaveResult{};
            result.stopped = true;
            result.error = "stopped before the file was written whole";
            return result;
        }
        auto piece = std::span(buffer).first(static_cast<size_t>(std::min(step, size - offset)));
        uint64_t unreadable = ReadKeepingWhatReads(reader, offset, piece, readError);
        result.unreadableBytes += unreadable;
        bool written = unreadable == piece.size() ? output.WriteZeros(piece.size(), result.error)
                                                  : output.Write(piece, result.error);
        if (!written) {
            result.destinationFull = platform::IsNoSpaceError(errno);
            output.Discard();
            result.bytesWritten = result.unreadableBytes = 0;
            return result;
        }
        result.bytesWritten += piece.size();
    }
    if (result.unreadableBytes == size) {
        result.bytesWritten = 0;
        result.error = "nothing of the file can be read: " + readError;
        return result;
    }
    if (!output.Keep(result.error)) {
        result.destinationFull = platform::IsNoSpaceError(errno);
        result.bytesWritten = result.unreadableBytes = 0;
        return result;
    }
    if (progress) progress(size);
    result.ok = true;
    if (result.unreadableBytes > 0) result.error = readError;
    return result;
}

bool ReadContentHead(ContentReader& reader, std::vector<uint8_t>& content) {
    content.assign(static_cast<size_t>(std::min(reader.Size(), kPreviewLimit)), 0);
    const uint64_t step = StepFor(reader);
    uint64_t unreadable = 0;
    std::string error;
    for (uint64_t offset = 0; offset < content.size(); offset += step) {
        auto piece = std::span(content).subspan(offset, std::min<uint64_t>(step, content.size() - offset));
        unreadable += ReadKeepingWhatReads(reader, offset, piece, error);
    }
    if (!content.empty() && unreadable == content.size()) {
        content.clear();
        return false;
    }
    return true;
}
