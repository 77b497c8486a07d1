#!/bin/bash
# SPDX-License-Identifier: Apache-2.0
# Builds a CUPS server-binary folder around a freshly built filter, for running
# the real CUPS filter chain (cupsfilter, cupstestppd, a private cupsd) without
# installing anything:
#   <dir>/filter/   symlinks to every installed CUPS filter, plus a root-owned
#                   0755 copy of our filter
#   <dir>/daemon    -> the installed daemon helpers (cupsd starts filters
#                      through daemon/cups-exec, lpinfo -m asks cups-driverd)
#   <dir>/backend   -> the installed backends
# CUPS refuses filters that are group- or world-writable or that sit in such a
# folder, and the filters run as user lp, so every folder here is 0755.
#
# Usage: make-serverbin.sh <dir> <filter-executable> [<cups-serverbin>]
set -euo pipefail

if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  echo "usage: $0 <dir> <filter-executable> [<cups-serverbin>]" >&2
  exit 2
fi
dir=$1
filter=$2
system=${3:-$(cups-config --serverbin 2>/dev/null || echo /usr/lib/cups)}

if [ ! -x "$filter" ]; then
  echo "make-serverbin: no filter executable at $filter" >&2
  exit 1
fi

mkdir -p "$dir/filter"
chmod 0755 "$dir" "$dir/filter"
for f in "$system"/filter/*; do
  name=$(basename "$f")
  [ "$name" = ridevedudaruzo ] && continue
  ln -sfn "$f" "$dir/filter/$name"
done
install -m 0755 "$filter" "$dir/filter/ridevedudaruzo"
ln -sfn "$system/daemon" "$dir/daemon"
ln -sfn "$system/backend" "$dir/backend"
if [ "$(id -u)" -eq 0 ]; then
  chown root:root "$dir" "$dir/filter" "$dir/filter/ridevedudaruzo"
fi
