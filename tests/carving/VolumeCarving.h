#pragma once
// A committed raw volume carved as the full scan carves it, with what each
// carved file turned out to be: the files the volume tests and the peer
// comparison look at.
#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

namespace carving_test {

struct CarvedOnVolume {
    uint32_t type = 0;
    std::u16string name;
    uint64_t length = 0;
    std::string sha256;
};

// Carves the volume "<volume>.img" (opened as drive `letter`) in reads of
// `sectorsPerRead`, saves every finished file and hashes it; by first sector.
std::map<uint64_t, CarvedOnVolume> CarveVolume(const std::string& volume, char16_t letter, uint64_t sectorsPerRead);

// The bytes of the file laid on the volume under `path` in its manifest
// (e.g. "/song.mp3"), read from the unpacked image; empty when the volume or
// the file is not there.
std::vector<uint8_t> LaidFile(const std::string& volume, const std::string& path);

// A few bytes of another file, laid right behind the one carved.
extern const std::vector<uint8_t> kForeignBytes;

// Carves the volume's file `path` laid alone with kForeignBytes right behind
// it, in reads of each of `sectorsPerRead`: it must come out as one file of
// `type` with its exact length. False, with nothing checked, when the volume
// is not committed.
bool CarvesAloneExactly(const std::string& volume, const std::string& path, uint32_t type,
                        std::initializer_list<uint64_t> sectorsPerRead);

}  // namespace carving_test
