#pragma once
// How many bytes this process has read so far through read-type system calls
// (all threads), for a read speed shown while a scan runs.
#include <cstdint>

namespace platform {

// False when the kernel does not tell (no /proc/self/io).
bool ProcessBytesRead(uint64_t& bytes);

}  // namespace platform
