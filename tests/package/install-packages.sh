#!/usr/bin/env bash
# Packs the already built tree with CPack (no second build), unpacks every
# .deb into a scratch root with dpkg-deb -x, runs the installed ruvex-cli
# --help and checks what the packages install: manual pages, completion,
# and for the desktop program its entry, icons, metainfo and polkit action,
# validated by desktop-file-validate and appstreamcli where installed.
#   install-packages.sh BUILD_FOLDER
set -euo pipefail
build=$(realpath "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$scratch/debs") >"$scratch/cpack.log" 2>&1 || { cat "$scratch/cpack.log" >&2; fail "cpack"; }
mapfile -t debs < <(ls "$scratch"/debs/*.deb)
[[ ${#debs[@]} -ge 1 ]] || fail "no package was made"
for deb in "${debs[@]}"; do dpkg-deb -x "$deb" "$scratch/root"; done

prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
root=$scratch/root
cli=$root$prefix/bin/ruvex-cli
[[ -x $cli ]] || fail "ruvex-cli is not in the package"
help=$("$cli" --help) || fail "the installed ruvex-cli --help failed"
grep -q '^usage: ruvex-cli' <<<"$help" || fail "ruvex-cli --help printed: $help"
for file in share/man/man1/ruvex-cli.1 share/bash-completion/completions/ruvex-cli; do
  [[ -f $root$prefix/$file ]] || fail "$file is missing"
done
bash -n "$root$prefix/share/bash-completion/completions/ruvex-cli" || fail "the completion does not parse"

if grep -q '^RUVEX_BUILD_GUI:BOOL=ON' "$build/CMakeCache.txt"; then
  desktop=$(ls "$scratch"/debs/ruvex_*.deb)
  dpkg-deb -f "$desktop" Depends | grep -q 'ruvex-cli' || fail "ruvex does not depend on ruvex-cli"
  dpkg-deb -f "$desktop" Depends | grep -q 'libqt6widgets6' || fail "the library dependencies were not computed"
  for file in bin/ruvex share/man/man1/ruvex.1 share/applications/ruvex.desktop \
    share/icons/hicolor/48x48/apps/ruvex.png share/metainfo/org.ruvex.Ruvex.metainfo.xml; do
    [[ -e $root$prefix/$file ]] || fail "$file is missing"
  done
  policy=$(find "$root" -path '*/polkit-1/actions/org.ruvex.pkexec.ruvex.policy')
  [[ -n $policy ]] || fail "the polkit action is missing"
  grep -q "<annotate key=\"org.freedesktop.policykit.exec.path\">$prefix/bin/ruvex<" "$policy" ||
    fail "the polkit action names another program"
  grep -q 'org.freedesktop.policykit.exec.allow_gui">true<' "$policy" || fail "the polkit action drops the display"
  grep -q '^Comment=.*exFAT' "$root$prefix/share/applications/ruvex.desktop" || fail "the entry's comment omits exFAT"
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$root$prefix/share/applications/ruvex.desktop" || fail "desktop-file-validate"
  else
    echo "desktop-file-validate is not installed (package desktop-file-utils): entry not validated"
  fi
  if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$root$prefix/share/metainfo/org.ruvex.Ruvex.metainfo.xml" || fail "appstreamcli validate"
  else
    echo "appstreamcli is not installed (package appstream): metainfo not validated"
  fi
fi
echo "installed ${#debs[@]} packages into a scratch root; ruvex-cli --help runs from it"
