#!/usr/bin/env bash
# Installs everything Ruvex needs to build, test and run on Debian 12 (as root).
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends \
  build-essential cmake pkg-config git ca-certificates xz-utils bzip2 ccache zlib1g-dev \
  libblkid-dev libgtest-dev libgmock-dev libbenchmark-dev \
  clang libclang-rt-14-dev \
  sleuthkit testdisk dosfstools mtools exfatprogs \
  nbdkit libnbd-bin fuse3 gddrescue \
  qt6-base-dev qt6-image-formats-plugins qt6-translations-l10n fonts-noto-cjk fonts-dejavu-core \
  file desktop-file-utils appstream
