#include "bench/BenchImage.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

std::string TakeImagePath(int& argc, char** argv, const char* environmentVariable) {
    std::string path;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (std::strncmp(argument, "--image=", 8) == 0) {
            path = argument + 8;
        } else if (argument[0] != '-' && path.empty()) {
            path = argument;
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    argv[argc] = nullptr;
    if (path.empty()) {
        const char* fromEnvironment = std::getenv(environmentVariable);
        if (fromEnvironment != nullptr) path = fromEnvironment;
    }
    return path;
}

void ReportMissingImage(const char* program, const char* environmentVariable, const std::string& path) {
    if (path.empty())
        std::fprintf(stderr, "%s: no image given; skipping. Pass --image=PATH or set %s "
                             "(bench/make-bench-images.sh makes the images).\n",
                     program, environmentVariable);
    else
        std::fprintf(stderr, "%s: image %s cannot be read; skipping. "
                             "bench/make-bench-images.sh makes it.\n",
                     program, path.c_str());
}

bool ImageReadable(const std::string& path) {
    return !path.empty() && ::access(path.c_str(), R_OK) == 0;
}
