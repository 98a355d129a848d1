#!/usr/bin/env bash
# Renders every widget of the desktop kit, the desktop program's step
# dialogs (the lost-partition search before and during a search, the progress
# dialog in the middle of a scan) and the results window
# (after an NTFS sweep, a FAT32 and a raw full scan, with each preview page,
# and with an encrypted file's greyed row and its tooltip) offscreen to PNG
# files so a person can look at them.
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
cmake --build "$build" -j"$(nproc)" --target toolkit-screenshots ui-step-screenshots ui-screenshots >/dev/null
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=0

rm -rf "$output"
mkdir -p "$output"
status=0
for renderer in "$build/tests/toolkit/toolkit-screenshots" "$build/tests/ui/ui-step-screenshots" \
  "$build/tests/ui/ui-screenshots"; do
  # The dialogs' scenes scan test volumes, whose diagnostics go to a log that
  # is shown when the renderer fails.
  log="$build/$(basename "$renderer").log"
  if ! "$renderer" "$output" >"$log" 2>&1; then
    tail -20 "$log" >&2
    status=1
  fi
  while read -r name; do
    if ! "$renderer" --check "$output/$name" 2> >(grep -v XDG_RUNTIME_DIR >&2); then
      status=1
    fi
  done < <("$renderer" --list 2>/dev/null)
done
realpath "$output"
exit $status
