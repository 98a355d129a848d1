#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each one.
#   fuzz/run-fuzzers.sh SECONDS        fuzz every target for SECONDS each, growing
#                                      build-fuzz/corpus/<target> from fuzz/seeds/<target>
#   fuzz/run-fuzzers.sh --smoke [RUNS] run every target for RUNS inputs (default 4000)
#                                      from its seeds only, keeping nothing
# Exits non-zero when a target crashes, leaks, hangs or trips a sanitizer; the
# input that did it is left in build-fuzz/artifacts/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."

targets=(mft_record data_runs attr_list lznt1 ntfs_volume fat_directory exfat_volume carving settings ddrescue_map markup partitions
         zip_listing zip_records scan former_records saved_scan)
mode=timed
if [[ "${1:-}" == "--smoke" ]]; then
  mode=smoke
  runs="${2:-4000}"
elif [[ "${1:-}" =~ ^[0-9]+$ ]]; then
  seconds="$1"
else
  echo "usage: $0 SECONDS | --smoke [RUNS]" >&2
  exit 2
fi

build=build-fuzz
# Configured every time, so targets added since the folder was made are known.
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
CC=clang CXX=clang++ cmake -S . -B "$build" -DRUVEX_BUILD_FUZZ=ON -DRUVEX_BUILD_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build "$build" -j"${RUVEX_FUZZ_JOBS:-1}" --target "${targets[@]/#/fuzz_}" >/dev/null

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for target in "${targets[@]}"; do
  artifacts="$build/artifacts/$target"
  mkdir -p "$artifacts"
  max_len=1048576
  # The smallest NTFS volume is a little over 1 MiB.
  [[ "$target" == ntfs_volume || "$target" == scan ]] && max_len=2097152
  options=(-timeout=10 -rss_limit_mb=2048 -max_len="$max_len" -print_final_stats=1
           -artifact_prefix="$artifacts/")
  if [[ "$mode" == smoke ]]; then
    scratch=$(mktemp -d)
    options+=(-runs="$runs" "$scratch" "fuzz/seeds/$target")
  else
    mkdir -p "$build/corpus/$target"
    options+=(-max_total_time="$seconds" "$build/corpus/$target" "fuzz/seeds/$target")
  fi
  log="$build/fuzz-$target.log"
  if "$build/fuzz/fuzz_$target" "${options[@]}" >"$log" 2>&1; then
    echo "fuzz_$target: $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$') inputs, no failure"
  else
    echo "fuzz_$target: FAILED, see $log" >&2
    grep -E 'ERROR|runtime error|Test unit written' "$log" | head -5 >&2 || true
    status=1
  fi
  [[ "$mode" == smoke ]] && rm -rf "$scratch"
done
exit $status
