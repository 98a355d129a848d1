#pragma once
// A scratch file per fuzzing process, for targets whose parser reads a
// source by path (a volume or a whole disk): the input is written to it
// before each run, and it is removed when the process ends.
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <unistd.h>

namespace fuzz_support {

inline const std::string& ScratchPath() {
    static const std::string path = [] {
        std::string name = "/tmp/ruvex-fuzz-" + std::to_string(getpid()) + ".img";
        std::atexit([] { std::remove(ScratchPath().c_str()); });
        return name;
    }();
    return path;
}

inline bool WriteScratch(std::span<const uint8_t> input) {
    std::FILE* file = std::fopen(ScratchPath().c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(input.data(), 1, input.size(), file) == input.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace fuzz_support
