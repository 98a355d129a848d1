#!/usr/bin/env bash
# Builds the Debian packages ruvex-cli and ruvex (the desktop program, which
# depends on ruvex-cli) with CPack into build-package/ (installed under /usr,
# without tests) and prints the path of each .deb on its own line.
#   scripts/package.sh && sudo apt install ./build-package/*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
folder=build-package
log=$folder/package.log
mkdir -p "$folder"
scripts/build.sh "$folder" -DCMAKE_INSTALL_PREFIX=/usr -DRUVEX_BUILD_TESTS=OFF >"$log" 2>&1 ||
  { tail -30 "$log" >&2; exit 1; }
rm -f "$folder"/*.deb
(cd "$folder" && cpack -G DEB) >>"$log" 2>&1 || { tail -30 "$log" >&2; exit 1; }
for deb in "$folder"/*.deb; do realpath "$deb"; done
