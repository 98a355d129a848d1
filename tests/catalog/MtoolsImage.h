#pragma once
// A FAT32 volume made as cameras, phones and Windows leave them: formatted
// by mkfs.fat without a label (no label entry in the root), written and
// deleted with mtools, which allocate clusters the way those writers do.
// Tests that use it skip when the tools are missing.
#include "tests/support/TestVolumes.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

class MtoolsImage {
public:
    static bool ToolsAvailable() {
        return std::system("command -v mcopy >/dev/null 2>&1 && command -v mmd >/dev/null 2>&1 && "
                           "command -v mdeltree >/dev/null 2>&1 && command -v mdel >/dev/null 2>&1") == 0 &&
               !MkfsCommand().empty();
    }

    // A volume of `kibibytes` KiB with clusters of `sectorsPerCluster` 512-byte sectors.
    MtoolsImage(const std::string& label, uint32_t kibibytes, uint32_t sectorsPerCluster) {
        m_folder = testing_support::MakeTempFolder(label);
        m_path = m_folder + "/volume.img";
        m_ok = Shell(MkfsCommand() + " -F 32 -s " + std::to_string(sectorsPerCluster) + " -C '" + m_path + "' " +
                     std::to_string(kibibytes));
    }

    const std::string& Path() const { return m_path; }
    // False once any tool failed.
    bool Ok() const { return m_ok; }

    void MakeFolder(const std::string& path) { Mtools("mmd", "'::" + path + "'"); }
    void Put(const std::string& path, const std::vector<uint8_t>& bytes) {
        const std::string source = m_folder + "/upload";
        std::ofstream(source, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        Mtools("mcopy", "'" + source + "' '::" + path + "'");
    }
    void Delete(const std::string& path) { Mtools("mdel", "'::" + path + "'"); }
    void DeleteTree(const std::string& path) { Mtools("mdeltree", "'::" + path + "'"); }

    // Sets the FSInfo sector's next-free hint to "unknown", as a writer that
    // does not trust it (many cameras) leaves it: the next file is written
    // into the first free clusters from the start of the volume, around the
    // files in use.
    void ForgetNextFreeHint() {
        std::fstream file(m_path, std::ios::in | std::ios::out | std::ios::binary);
        uint8_t field[2] = {};
        file.seekg(kFsInfoSectorField);
        file.read(reinterpret_cast<char*>(field), 2);
        const uint64_t sector = field[0] | field[1] << 8;
        const char unknown[4] = {'\xFF', '\xFF', '\xFF', '\xFF'};
        file.seekp(static_cast<std::streamoff>(sector * 512 + kNextFreeOffset));
        file.write(unknown, 4);
        if (!file) m_ok = false;
    }

    // What The Sleuth Kit's fls lists as deleted, recursively; empty without it.
    std::string FlsDeleted() const {
        return testing_support::CommandOutput("fls -r -d '" + m_path + "' 2>/dev/null");
    }

private:
    static constexpr std::streamoff kFsInfoSectorField = 0x30;  // in the boot sector
    static constexpr std::streamoff kNextFreeOffset = 492;      // in the FSInfo sector

    static std::string MkfsCommand() {
        for (const char* candidate : {"mkfs.fat", "/usr/sbin/mkfs.fat", "/sbin/mkfs.fat"}) {
            if (std::system(("command -v " + std::string(candidate) + " >/dev/null 2>&1").c_str()) == 0)
                return candidate;
        }
        return {};
    }
    bool Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }
    void Mtools(const std::string& tool, const std::string& arguments) {
        // The image has no partition table around it; mtools' geometry checks
        // would refuse such a file.
        if (!Shell("MTOOLS_SKIP_CHECK=1 " + tool + " -i '" + m_path + "' " + arguments)) m_ok = false;
    }

    std::string m_folder;
    std::string m_path;
    bool m_ok = false;
};
