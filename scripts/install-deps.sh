#!/usr/bin/env bash
# Installs everything Ruvex needs to build, test and run on Debian 12 (as root).
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends \
  build-essential cmake pkg-config git ca-certificates xz-utils ccache \
  libblkid-dev libgtest-dev libgmock-dev libbenchmark-dev \
  clang libclang-rt-14-dev \
  sleuthkit testdisk dosfstools mtools exfatprogs \
  qt6-base-dev fonts-noto-cjk fonts-dejavu-core
