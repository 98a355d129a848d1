#pragma once
// Where a found file's bytes come from, read piece by piece: the one thing
// the three kinds of found file (NTFS, FAT32, carved) differ in when they
// are saved or previewed.
#include <cstdint>
#include <span>
#include <string>

class ContentReader {
public:
    virtual ~ContentReader() = default;

    // Bytes of the file.
    virtual uint64_t Size() const = 0;
    // The smallest piece whose read can fail on its own (a sector, or a
    // cluster where the data is read by clusters).
    virtual uint32_t Granule() const = 0;
    // Reads buffer.size() bytes at `offset`, a multiple of Granule(); the
    // piece ends at a granule boundary or at the end of the file. False with
    // the reason when any of it cannot be read.
    virtual bool Read(uint64_t offset, std::span<uint8_t> buffer, std::string& error) = 0;
};
