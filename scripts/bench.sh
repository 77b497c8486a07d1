#!/bin/bash
# SPDX-License-Identifier: Apache-2.0
# Whole-process speed of the filter against CUPS's own rastertoepson on the
# same raster files, with the filter's debug log switched off:
#   1. builds the filter in Release (build/bench-release),
#   2. makes a 12-page text document and rasterises it, and the sample
#      documents in examples/, with Ghostscript's cups device at
#      360 x 360, 360 x 180 and 180 x 180 dpi (one bit per dot),
#   3. counts the instructions of both whole processes with callgrind
#      (exact, immune to machine noise) and prints both counts and the ratio,
#   4. times the 12-page 360 x 360 job, alternating the two filters, and
#      prints the median wall times.
# Options (environment): RUNS (timed runs of each filter, default 21),
# KEEP=1 keeps the temporary folder.
#
# The log is switched off through the administrator's logging configuration
# in a private CUPS_SERVERROOT; the filter only trusts a root-owned file, so
# run this as root (as CI does) or the counts include the log.
set -euo pipefail

cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD=$ROOT/build/bench-release
RUNS=${RUNS:-21}
EPSON=/usr/lib/cups/filter/rastertoepson
DRIVERD=/usr/lib/cups/daemon/cups-driverd

for tool in gs valgrind "$EPSON" "$DRIVERD"; do
  command -v "$tool" >/dev/null || { echo "bench: $tool is missing (run scripts/setup.sh)" >&2; exit 1; }
done

echo "=== building the filter (Release) in $BUILD"
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$BUILD" -j"${JOBS:-2}" --target ridevedudaruzo >/dev/null
FILTER=$BUILD/filter/ridevedudaruzo

WORK=$(mktemp -d /tmp/ridev-bench-XXXXXX)
if [ "${KEEP:-0}" != 1 ]; then
  trap 'rm -rf "$WORK"' EXIT
else
  echo "bench: keeping $WORK"
fi

# The log switched off: a private server root with a logging configuration.
mkdir -p "$WORK/serverroot/ridevedudaruzo"
printf '[Main]\nenable = false\n' >"$WORK/serverroot/ridevedudaruzo/logging.conf"
chmod 644 "$WORK/serverroot/ridevedudaruzo/logging.conf"
if [ "$(id -u)" -ne 0 ]; then
  echo "bench: not root: the filter will not trust the logging configuration, the log stays on" >&2
fi

# PPDs: ours for 24 pins, and the sample 24-pin PPD that rastertoepson takes.
OURPPD=$ROOT/ppd/test/ridev-test-24pin.ppd
"$DRIVERD" cat drv:///sample.drv/epson24.ppd >"$WORK/epson24.ppd" 2>/dev/null
EPSONPPD=$WORK/epson24.ppd

# A 12-page text document: 56 lines of 10-point Courier per Letter page.
cat >"$WORK/text12.ps" <<'EOF'
%!PS-Adobe-3.0
/Courier findfont 10 scalefont setfont
1 1 12 {
  /page exch def
  0 1 55 {
    /line exch def
    72 720 line 12 mul sub moveto
    (Page ) show page 3 string cvs show (, line ) show line 3 string cvs show
    line 7 mod 0 eq { ( ) show } {
      (: the quick brown fox jumps over the lazy dog; 0123456789 +-*/ ) show
      line 3 mod 0 eq { (sphinx of black quartz, judge my vow.) show } if
    } ifelse
  } for
  showpage
} for
EOF
gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pdfwrite -sPAPERSIZE=letter \
  -sOutputFile="$WORK/text12.pdf" "$WORK/text12.ps"

DOCS=("$WORK/text12.pdf")
for pdf in "$ROOT"/examples/*.pdf; do DOCS+=("$pdf"); done
RESOLUTIONS=(360x360 360x180 180x180)

# raster DOC RES: the one-bit raster of a document at a resolution.
raster() {
  local out=$WORK/$(basename "$1" .pdf)-$2.ras
  if [ ! -f "$out" ]; then
    gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=cups -r"$2" -dcupsColorSpace=3 \
      -dcupsBitsPerColor=1 -sOutputFile="$out" "$1" >/dev/null 2>&1
  fi
  echo "$out"
}

# instructions PPD FILTER RASTER: instructions of the whole filter process.
instructions() {
  local out=$WORK/callgrind.out
  CUPS_SERVERROOT=$WORK/serverroot PPD=$1 valgrind --tool=callgrind \
    --callgrind-out-file="$out" "$2" 1 user title 1 "" "$3" >/dev/null 2>"$WORK/valgrind.log"
  sed -n 's/^summary: \([0-9]*\).*/\1/p' "$out"
}

echo
echo "=== instructions of the whole process (callgrind)"
printf '%-28s %14s %14s %7s\n' "raster" "ridevedudaruzo" "rastertoepson" "ratio"
for doc in "${DOCS[@]}"; do
  for res in "${RESOLUTIONS[@]}"; do
    ras=$(raster "$doc" "$res")
    ours=$(instructions "$OURPPD" "$FILTER" "$ras")
    theirs=$(instructions "$EPSONPPD" "$EPSON" "$ras")
    printf '%-28s %14s %14s %7.3f\n' "$(basename "$ras")" "$ours" "$theirs" \
      "$(awk -v a="$ours" -v b="$theirs" 'BEGIN { print a / b }')"
  done
done

# seconds PPD FILTER RASTER: wall time of one run.
seconds() {
  local start end
  start=$(date +%s.%N)
  CUPS_SERVERROOT=$WORK/serverroot PPD=$1 "$2" 1 user title 1 "" "$3" >/dev/null 2>&1
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f\n", b - a }'
}

# median: the middle value of numbers on standard input.
median() {
  sort -g | awk '{ v[NR] = $1 } END { printf "%.4f", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

echo
ras=$(raster "$WORK/text12.pdf" 360x360)
echo "=== wall time of the 12-page 360 x 360 job, $RUNS alternating runs each"
: >"$WORK/ours.txt"
: >"$WORK/theirs.txt"
for _ in $(seq "$RUNS"); do
  seconds "$OURPPD" "$FILTER" "$ras" >>"$WORK/ours.txt"
  seconds "$EPSONPPD" "$EPSON" "$ras" >>"$WORK/theirs.txt"
done
ours=$(median <"$WORK/ours.txt")
theirs=$(median <"$WORK/theirs.txt")
printf 'median ridevedudaruzo %s s, rastertoepson %s s, ratio %.3f\n' "$ours" "$theirs" \
  "$(awk -v a="$ours" -v b="$theirs" 'BEGIN { print a / b }')"
