#!/usr/bin/env bash
# Builds Ruvex and runs it on the bundled demo volume. With a display, the
# desktop program starts with the demo volume as drive Z; without one, the
# command line lists the drives, shows what a scan finds on the demo volume
# and recovers it into build/demo/recovered.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh build
mkdir -p build/demo
xz -dc tests/data/demo.img.xz > build/demo/demo.img
# The demo volume becomes drive Z through the settings file's drive table.
export RUVEX_HOME="$PWD/build/demo/home"
mkdir -p "$RUVEX_HOME/ruvex"
printf '[Drives]\nZ=%s\n' "$PWD/build/demo/demo.img" > "$RUVEX_HOME/ruvex/config.ini"

if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" && -x build/ui/ruvex ]]; then
  echo "Starting the desktop program: choose a mode, then drive Z (the demo volume)."
  exec build/ui/ruvex
fi

echo "== Drives"
build/cli/ruvex-cli drives
echo
echo "== What a full scan of drive Z finds"
build/cli/ruvex-cli scan --drive Z --mode full
echo
echo "== Recovering everything into build/demo/recovered"
rm -rf build/demo/recovered
build/cli/ruvex-cli recover --drive Z --mode full --to build/demo/recovered
find build/demo/recovered -type f | sort
