#pragma once
// An image file whose every byte tells its own offset (offset mod 251), so a
// read shows at once where it came from. Made once per label and size.
#include "tests/support/TestVolumes.h"

#include <fstream>
#include <string>
#include <vector>

namespace testing_support {

inline std::string MakeCountingImage(const std::string& label, size_t bytes) {
    std::string file = MakeTempFolder(label) + "/counting.img";
    std::vector<char> content(bytes);
    for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i % 251);
    std::ofstream(file, std::ios::binary).write(content.data(), static_cast<std::streamsize>(content.size()));
    return file;
}

}  // namespace testing_support
