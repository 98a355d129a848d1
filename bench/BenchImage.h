#pragma once
// Where a benchmark finds its disk image: `--image=PATH` or a bare path on the
// command line, else an environment variable. The images are large and made
// by bench/make-bench-images.sh, so a run without one skips instead of failing.
#include <benchmark/benchmark.h>

#include <functional>
#include <string>

// The whole main of a benchmark program: takes the image argument out of argv
// (the benchmark library never sees it), skips with a message naming
// `program` when no readable image is given, else registers the benchmarks
// for the image and runs them.
int RunImageBenchmarks(int argc, char** argv, const char* program, const char* environmentVariable,
                       const std::function<void(const std::string& path)>& registerBenchmarks);

// The timing every whole-image benchmark uses: wall-clock time in
// milliseconds (a scan waits for reads as much as it computes), after one
// warm-up pass that also fills the page cache.
benchmark::internal::Benchmark* TimeWholeImage(benchmark::internal::Benchmark* benchmark);
