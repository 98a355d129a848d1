#pragma once
// Writes a recoverable file to disk piece by piece, so that files of any
// size are copied with constant memory. A copy that fails part-way is
// removed: a shortened file would pass for the recovered one.
#include "catalog/DelFile.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Reads `length` bytes at `offset` of the file into `chunk`; false with `error` set.
using ChunkReader =
    std::function<bool(uint64_t offset, uint64_t length, std::vector<uint8_t>& chunk, std::string& error)>;

SaveResult SaveInChunks(const std::u16string& path, uint64_t size, uint64_t step, const ChunkReader& read);
