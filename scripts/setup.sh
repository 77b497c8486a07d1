#!/bin/bash
# SPDX-License-Identifier: Apache-2.0
# Installs every Debian package that building, testing, benchmarking,
# demonstrating and packaging the filter needs. Safe to run again; needs root
# (or sudo).
set -euo pipefail

PACKAGES=(
  build-essential cmake g++ pkg-config clang-format
  libcups2-dev libcupsimage2-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libpng-dev libpappl-dev
  cups cups-daemon cups-client cups-ppdc cups-ipp-utils cups-filters
  cups-filters-core-drivers ghostscript poppler-utils curl
  valgrind xz-utils
  debhelper lintian
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ "${#missing[@]}" -eq 0 ]; then
  echo "setup: all packages already installed"
  exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
