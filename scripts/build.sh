#!/usr/bin/env bash
# Builds Ruvex into build/ (or the folder given as $1) with extra CMake options after it.
set -euo pipefail
cd "$(dirname "$0")/.."
folder=${1:-build}
shift || true
launcher=()
# ccache keeps rebuilds across CI runs and sanitizer variants cheap.
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$folder" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
cmake --build "$folder" -j"$(nproc)"
