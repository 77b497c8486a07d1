#!/bin/bash
# SPDX-License-Identifier: Apache-2.0
# Builds the project for 64-bit ARM (arm64) on this x86-64 machine and runs
# its tests there through qemu-user, then builds the arm64 Debian packages:
#   1. installs Debian's cross toolchain, the :arm64 libraries and qemu-user
#      with binfmt, so that test programs can start arm64 children (the
#      filter, the printer application) as if they were native;
#   2. cross-builds everything with warnings as errors, in build/arm64, and
#      runs the unit and end-to-end tests under qemu-user;
#   3. builds the packages with dpkg-buildpackage -a arm64 (tests off: a
#      cross build never runs target programs), into build/arm64-deb.
# Needs root (or sudo) for the packages and binfmt. Times each step.
set -euo pipefail

cd "$(dirname "$0")/.."
ROOT=$(pwd)
JOBS=${JOBS:-$(nproc)}
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

step_start=$(date +%s)
step() { # step NAME: prints the time the previous step took, then NAME
  local now
  now=$(date +%s)
  echo "=== arm64: ($((now - step_start)) s) $1"
  step_start=$now
}

step "packages"
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx arm64; then
  $SUDO dpkg --add-architecture arm64
  $SUDO apt-get update -q
fi
PACKAGES=(
  crossbuild-essential-arm64 qemu-user-static binfmt-support
  debhelper dpkg-dev
  libc6:arm64 libcups2-dev:arm64 libcupsimage2-dev:arm64 libpappl-dev:arm64
  libpng-dev:arm64 libgtest-dev:arm64 libgmock-dev:arm64 pkg-config:arm64
)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "${#missing[@]}" -ne 0 ]; then
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Children of the tests are arm64 programs: the kernel hands them to qemu
# through binfmt_misc. qemu then finds the arm64 loader and libraries where
# Debian's multiarch packages put them. It must not be given
# -L /usr/aarch64-linux-gnu: that pairs the cross toolchain's loader with the
# multiarch C library, and programs that start threads hang.
if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
  $SUDO mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
fi
if [ ! -e /proc/sys/fs/binfmt_misc/qemu-aarch64 ]; then
  $SUDO update-binfmts --enable qemu-aarch64 || $SUDO update-binfmts --import qemu-aarch64
fi
grep -q '^enabled' /proc/sys/fs/binfmt_misc/qemu-aarch64 || {
  echo "arm64: binfmt for qemu-aarch64 is not enabled" >&2
  exit 1
}

step "cross build"
build=build/arm64
cmake -S "$ROOT" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/aarch64-linux-gnu.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRIDEV_WERROR=ON -DRIDEV_BENCHMARKS=OFF
cmake --build "$build" -j"$JOBS"
file "$build/filter/ridevedudaruzo" | grep -q 'ARM aarch64' || {
  echo "arm64: the filter is not an arm64 program" >&2
  exit 1
}

step "tests under qemu-user"
# qemu-user does not enforce RLIMIT_AS on the emulated program, so the test
# that makes a page allocation fail with a small address-space limit cannot
# fail the allocation there.
(cd "$build" && ctest --output-on-failure -j"$JOBS" -E '^FilterFailure\.FailedPageAllocationIsRefused$')

step "arm64 Debian packages"
debdir=build/arm64-deb
rm -rf "$debdir"
mkdir -p "$debdir/src"
git ls-files -z | xargs -0 tar -cf - | tar -xf - -C "$debdir/src"
(cd "$debdir/src" && DEB_BUILD_OPTIONS="nocheck parallel=$JOBS" \
  dpkg-buildpackage -a arm64 -Pnocheck -us -uc -b)
for deb in "$debdir"/*_arm64.deb; do
  dpkg-deb -f "$deb" Package Architecture
done
step "done"
