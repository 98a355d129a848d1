#include "platform/Diagnostics.h"

#include <cstdarg>
#include <cstdio>

namespace platform {

void Diagnostic(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
}

}  // namespace platform
