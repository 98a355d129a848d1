#pragma once
// A private copy of the ntfs-compressed volume whose deleted
// /Compressed/random.bin carries the encrypted flag in its standard
// information, as EFS leaves it: a file the sweep lists but nobody can read.
#include <cstdint>
#include <optional>
#include <string>

namespace testing_support {

struct EncryptedVolume {
    std::string image;    // the copy's path
    std::string path;     // the encrypted file's path on the volume
    uint64_t record = 0;  // its MFT record
    std::string sha256;   // what it held before it was marked
};

// Null when the committed volume is missing.
std::optional<EncryptedVolume> MakeEncryptedVolume();

}  // namespace testing_support
