#include "bench/BenchImage.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

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

}  // namespace

int RunImageBenchmarks(int argc, char** argv, const char* program, const char* environmentVariable,
                       const std::function<void(const std::string& path)>& registerBenchmarks) {
    const std::string path = TakeImagePath(argc, argv, environmentVariable);
    if (path.empty() || ::access(path.c_str(), R_OK) != 0) {
        ReportMissingImage(program, environmentVariable, path);
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    registerBenchmarks(path);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

benchmark::internal::Benchmark* TimeWholeImage(benchmark::internal::Benchmark* benchmark) {
    return benchmark->Unit(benchmark::kMillisecond)->UseRealTime()->MinWarmUpTime(0.2);
}
