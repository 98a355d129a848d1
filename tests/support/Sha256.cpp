#include "tests/support/Sha256.h"

#include "platform/Sha256.h"

namespace testing_support {

std::string Sha256Hex(std::span<const uint8_t> bytes) { return platform::DigestHex(platform::Sha256Of(bytes)); }

}  // namespace testing_support
