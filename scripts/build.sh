#!/usr/bin/env bash
# Builds Ruvex into build/ (or the folder given as $1) with extra CMake options after it.
set -euo pipefail
cd "$(dirname "$0")/.."
folder=${1:-build}
shift || true
cmake -S . -B "$folder" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$folder" -j"$(nproc)"
