#include "tests/support/TestVolumes.h"

#include "tests/support/Sha256.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace testing_support {
namespace {

namespace fs = std::filesystem;

struct TempRoot {
    fs::path path;
    TempRoot() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base ? base : "/tmp") + "/ruvex-test-XXXXXX";
        if (char* made = mkdtemp(pattern.data())) path = made;
    }
    ~TempRoot() {
        std::error_code error;
        if (!path.empty()) fs::remove_all(path, error);
    }
};

const fs::path& Root() {
    static TempRoot root;
    return root.path;
}

std::string DataFolder() { return RUVEX_TEST_DATA_DIR; }

}  // namespace

bool VolumeExists(const std::string& name) {
    return fs::exists(DataFolder() + "/" + name + ".img.xz");
}

std::string VolumePath(const std::string& name) {
    static std::map<std::string, std::string> unpacked;
    if (auto it = unpacked.find(name); it != unpacked.end()) return it->second;
    std::string packed = DataFolder() + "/" + name + ".img.xz";
    std::string target = (Root() / (name + ".img")).string();
    std::string command = "xz -dc '" + packed + "' > '" + target + "'";
    if (!fs::exists(packed) || std::system(command.c_str()) != 0) {
        ADD_FAILURE() << "test volume " << packed << " cannot be unpacked";
        return target;
    }
    unpacked[name] = target;
    return target;
}

std::vector<ManifestEntry> LoadManifest(const std::string& name) {
    std::vector<ManifestEntry> entries;
    std::ifstream in(DataFolder() + "/" + name + ".manifest.tsv");
    std::string line;
    bool header = true;
    while (std::getline(in, line)) {
        if (header) {
            header = false;
            continue;
        }
        if (line.empty()) continue;
        std::vector<std::string> fields;
        std::stringstream stream(line);
        std::string field;
        while (std::getline(stream, field, '\t')) fields.push_back(field);
        if (fields.size() < 6) continue;
        ManifestEntry entry{fields[0], fields[1], std::strtoull(fields[2].c_str(), nullptr, 10),
                            fields[3], fields[4], fields[5]};
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string MakeTempFolder(const std::string& label) {
    static int counter = 0;
    fs::path folder = Root() / (label + "-" + std::to_string(++counter));
    fs::create_directories(folder);
    return folder.string();
}

std::string MakeSparseFile(const std::string& label, uint64_t size) {
    fs::path file = fs::path(MakeTempFolder(label)) / "sparse.img";
    { std::ofstream(file.string(), std::ios::binary); }
    fs::resize_file(file, size);
    return file.string();
}

std::string FileSha256(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return Sha256Hex(bytes);
}

std::string DeviceHolding(const std::string& path) {
    struct stat target {};
    if (::stat(path.c_str(), &target) != 0) return "";
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/dev", error)) {
        struct stat node {};
        if (::stat(entry.path().c_str(), &node) == 0 && S_ISBLK(node.st_mode) && node.st_rdev == target.st_dev)
            return entry.path().string();
    }
    return "";
}

std::string CommandOutput(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    if (!pipe) return output;
    char buffer[4096];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    if (pclose(pipe) != 0) output.clear();
    return output;
}

}  // namespace testing_support
