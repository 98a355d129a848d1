#pragma once
// Where a benchmark finds its disk image: `--image=PATH` or a bare path on the
// command line, else an environment variable. The images are large and made
// by bench/make-bench-images.sh, so a run without one skips instead of failing.
#include <string>

// Takes the image argument out of argv (so that the benchmark library does
// not see it) and returns the path, or an empty string when none is given.
std::string TakeImagePath(int& argc, char** argv, const char* environmentVariable);

// Prints why the program skips and what to set, naming the program.
void ReportMissingImage(const char* program, const char* environmentVariable, const std::string& path);

// True when `path` names something this process may read.
bool ImageReadable(const std::string& path);
