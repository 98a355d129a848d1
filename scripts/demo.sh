#!/usr/bin/env bash
# Builds Ruvex and runs it on the bundled demo volume.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh build
mkdir -p build/demo
xz -dc tests/data/demo.img.xz > build/demo/demo.img
# The demo volume becomes drive Z through the settings file's drive table.
export RUVEX_HOME="$PWD/build/demo/home"
mkdir -p "$RUVEX_HOME/ruvex"
printf '[Drives]\nZ=%s\n' "$PWD/build/demo/demo.img" > "$RUVEX_HOME/ruvex/config.ini"
build/cli/ruvex-cli drives
