#!/bin/bash
# SPDX-License-Identifier: Apache-2.0
# Offline demonstration: builds the filter, the PPDs and the preview tool
# (Release, in build-demo/), prints the bundled sample PDF through the real
# CUPS filter chain for the 24-pin model, without a scheduler, and renders
# what the printer would print as PNG images.
#
#   bash scripts/setup.sh && bash scripts/demo.sh
#
# Results go to out/: sample.prn (the printer bytes) and sample-N.png (one
# image per page). Set DEMO_PPD to ridev9 or ridev18 for the other models.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-demo
out=$root/out
model=${DEMO_PPD:-ridev24}
doc=$root/examples/sample.pdf

echo "== Building (Release) in $build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release \
  -DBUILD_TESTING=OFF -DRIDEV_BENCHMARKS=OFF > /dev/null
cmake --build "$build" -j "${JOBS:-$(nproc)}" \
  --target ridevedudaruzo ridevedudaruzo-preview ridevedudaruzo-ppds
ppd=$build/ppd/$model.ppd
pins=$(sed -n 's/^\*cupsModelNumber: *\([0-9]*\).*/\1/p' "$ppd")

# CUPS runs only filters from its server-binary folder: make one that holds
# the installed CUPS filters and ours.
serverbin=$build/serverbin
rm -rf "$serverbin"
bash "$root/tests/e2e/make-serverbin.sh" "$serverbin" "$build/filter/ridevedudaruzo"

mkdir -p "$out"
rm -f "$out"/sample.prn "$out"/sample-*.png
echo "== Printing $doc for $(sed -n 's/^\*NickName: "\(.*\)"/\1/p' "$ppd")"
if ! CUPS_SERVERBIN=$serverbin cupsfilter -e -m printer/foo -p "$ppd" "$doc" \
    > "$out/sample.prn" 2> "$out/cupsfilter.log"; then
  grep -E '^(ERROR|WARN)' "$out/cupsfilter.log" >&2 || tail -n 20 "$out/cupsfilter.log" >&2
  echo "demo: the filter chain failed; the whole log is in $out/cupsfilter.log" >&2
  exit 1
fi
sed -n 's/^INFO: \(.*\) (PID [0-9]*) exited with no errors\./   ran \1/p' "$out/cupsfilter.log"

echo "== Rendering the printer data"
"$build/tools/preview/ridevedudaruzo-preview" --model "$pins" "$out/sample.prn" "$out/sample"

echo
echo "Printer bytes (ESC/P): $out/sample.prn ($(stat -c %s "$out/sample.prn") bytes)"
echo "Preview images:        $(ls "$out"/sample-*.png | xargs)"
echo "Filter chain log:      $out/cupsfilter.log"
