#!/usr/bin/env bash
# Builds ruvex-cli (no tests), installs it into /usr/local so that a shell
# finds it, and runs it on the bundled demo volume: lists the drives, shows
# what a scan finds and recovers it into build-demo/recovered. With a display
# it builds the desktop program instead of that and starts it on the demo volume.
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build-demo -DCMAKE_BUILD_TYPE=Release -DRUVEX_BUILD_TESTS=OFF "${launcher[@]}" >/dev/null
desktop=()
if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]] && grep -q '^RUVEX_BUILD_GUI:BOOL=ON' build-demo/CMakeCache.txt; then
  desktop=(ruvex)
fi
cmake --build build-demo --target ruvex-cli "${desktop[@]}" -j"$(nproc)"
cmake --install build-demo --component ruvex-cli --prefix "${RUVEX_PREFIX:-/usr/local}"
hash -r
command -v ruvex-cli

mkdir -p build-demo/demo
xz -dc tests/data/demo.img.xz > build-demo/demo/demo.img
# The demo volume becomes drive Z through the settings file's drive table.
export RUVEX_HOME="$PWD/build-demo/demo/home"
mkdir -p "$RUVEX_HOME/ruvex"
printf '[Drives]\nZ=%s\n' "$PWD/build-demo/demo/demo.img" > "$RUVEX_HOME/ruvex/config.ini"

if [[ ${#desktop[@]} -gt 0 ]]; then
  echo "Starting the desktop program: choose a mode, then drive Z (the demo volume)."
  exec build-demo/ui/ruvex
fi

echo "== Drives"
ruvex-cli drives
echo
echo "== What a full scan of drive Z finds"
ruvex-cli scan --drive Z --mode full
echo
echo "== Recovering everything into build-demo/recovered"
rm -rf build-demo/recovered
ruvex-cli recover --drive Z --mode full --to build-demo/recovered
find build-demo/recovered -type f | sort
