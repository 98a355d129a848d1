#include "platform/ProcessIo.h"

#include <fstream>
#include <string>

namespace platform {

bool ProcessBytesRead(uint64_t& bytes) {
    std::ifstream io("/proc/self/io");
    std::string key;
    uint64_t value = 0;
    while (io >> key >> value)
        if (key == "rchar:") {
            bytes = value;
            return true;
        }
    return false;
}

}  // namespace platform
