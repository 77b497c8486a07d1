#!/bin/bash
# Prints a real document through the filter, run directly, at every
# resolution of every given PPD: CUPS's own filters turn the PDF into the
# raster they would send for that PPD and resolution, the filter turns the
# raster into printer data, and the virtual printer must strike exactly the
# raster's dots.
#
# Usage: direct-raster.sh <filter-executable> <e2e-compare> <document.pdf> <ppd>...
set -euo pipefail

filter=$1
compare=$2
doc=$3
shift 3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

status=0
for ppd in "$@"; do
  model=$(sed -n 's/^\*cupsModelNumber: *\([0-9]*\).*/\1/p' "$ppd")
  resolutions=$(sed -n 's/^\*Resolution \([^/:]*\).*/\1/p' "$ppd")
  [ -n "$resolutions" ] || { echo "FAIL: $ppd offers no resolution" >&2; status=1; }
  for res in $resolutions; do
    name="$(basename "$ppd" .ppd)-$res"
    echo "== $name ($model pins)"
    timeout 120 cupsfilter -p "$ppd" -m application/vnd.cups-raster -o "Resolution=$res" \
      "$doc" > "$work/$name.ras" 2> "$work/$name.cupsfilter.log" || {
      cat "$work/$name.cupsfilter.log" >&2
      echo "FAIL: $name: cupsfilter could not make the raster" >&2
      status=1
      continue
    }
    rc=0
    PPD="$ppd" timeout 120 "$filter" 1 e2e "$name" 1 "" "$work/$name.ras" \
      > "$work/$name.prn" 2> "$work/$name.filter.log" || rc=$?
    if [ "$rc" -ne 0 ]; then
      cat "$work/$name.filter.log" >&2
      echo "FAIL: $name: the filter exited with status $rc" >&2
      status=1
      continue
    fi
    timeout 120 "$compare" --model "$model" "$work/$name.ras" "$work/$name.prn" ||
      { echo "FAIL: $name: the printed dots differ from the raster" >&2; status=1; }
  done
done
exit $status
