#pragma once
// The text page of a ZIP preview: one line per entry of the archive's central
// directory, "name   [size]" with the compressed size, read from the
// archive's bytes in memory with every field bounded by them.
#include <cstdint>
#include <span>
#include <string>

struct ZipListing {
    bool damaged = false;  // the data does not start with a local file header
    std::u16string text;   // "name   [1KB]\r\n" lines; empty without a central directory
};

ZipListing ListZipEntries(std::span<const uint8_t> archive);
