#!/usr/bin/env bash
# Renders every widget of the desktop kit, and the first step's mode list,
# offscreen to PNG files so a person can look at them.
#   scripts/screenshots.sh [BUILD_FOLDER [OUTPUT_FOLDER]]
# Builds the renderer in BUILD_FOLDER (default build), writes the pictures to
# OUTPUT_FOLDER (default BUILD_FOLDER/screenshots) and prints that folder.
# Exits non-zero when a picture is missing or blank.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
output=${2:-$build/screenshots}

if [[ ! -f "$build/CMakeCache.txt" ]]; then
  scripts/build.sh "$build"
fi
cmake --build "$build" -j"$(nproc)" --target toolkit-screenshots >/dev/null
renderer="$build/tests/toolkit/toolkit-screenshots"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=0

rm -rf "$output"
mkdir -p "$output"
"$renderer" "$output" 2> >(grep -v XDG_RUNTIME_DIR >&2)
status=0
while read -r name; do
  if ! "$renderer" --check "$output/$name" 2> >(grep -v XDG_RUNTIME_DIR >&2); then
    status=1
  fi
done < <("$renderer" --list 2>/dev/null)
realpath "$output"
exit $status
