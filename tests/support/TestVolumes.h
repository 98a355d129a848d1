#pragma once
// The committed test volumes: unpacked once per test program into a private
// temporary folder, with their manifests (what the generator wrote, where,
// and whether it was deleted afterwards).
#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

struct ManifestEntry {
    std::string kind;    // "file" or "dir"
    std::string path;    // "/Photos/2024/a.jpg"
    uint64_t size = 0;
    std::string sha256;  // lowercase hex, "-" for folders
    std::string state;   // "live", "deleted" or "free"
    std::string location;  // MFT record, first cluster or first sector; "-" when unknown
};

// Path of the unpacked image "<name>.img" (e.g. "ntfs-small"); fails the test when absent.
std::string VolumePath(const std::string& name);
bool VolumeExists(const std::string& name);
std::vector<ManifestEntry> LoadManifest(const std::string& name);

// A fresh temporary folder, removed at process exit.
std::string MakeTempFolder(const std::string& label);
// Writes a file of `size` bytes, sparse where nothing is written.
std::string MakeSparseFile(const std::string& label, uint64_t size);

std::string FileSha256(const std::string& path);

// The /dev node of the block device that holds `path`, or "" when none is visible.
std::string DeviceHolding(const std::string& path);

// What a shell command printed on its standard output; empty when it failed.
std::string CommandOutput(const std::string& command);

}  // namespace testing_support
