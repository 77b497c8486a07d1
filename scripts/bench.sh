#!/bin/bash
# SPDX-License-Identifier: Apache-2.0
# Whole-process speed of the filter against CUPS's own rastertoepson on the
# same raster files, with the filter's debug log switched off:
#   1. builds the filter in Release (build/bench-release),
#   2. makes a 12-page text document and rasterises it, and the sample
#      documents in examples/, with Ghostscript's cups device at
#      360 x 360, 360 x 180 and 180 x 180 dpi (one bit per dot), and the
#      text document at 360 x 360 in 8-bit grey,
#   3. for every column path this machine has (RIDEV_COLUMN_PATH), counts
#      the instructions of both whole processes with callgrind (exact,
#      immune to machine noise) on the text document and prints both counts
#      and the ratio, and the ratio of the grey job to the one-bit job; for
#      the sse2 and portable paths both programs run with glibc's AVX
#      routines switched off (GLIBC_TUNABLES), as on a processor without
#      AVX,
#   4. counts the sample documents on the default path,
#   5. times the 12-page 360 x 360 job, alternating the two filters, and
#      prints the median wall times,
#   6. prints the minor page faults per page of that job after its first
#      page, one-bit and grey,
#      and the peak memory (max RSS) of a Letter job and of the largest page
#      the filter accepts (64 MiB of pixels), one-bit and grey, with text
#      on it and covered in ink.
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

for tool in gs valgrind /usr/bin/time "$EPSON" "$DRIVERD"; do
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

# raster DOC RES [BITS]: the raster of a document at a resolution, one bit
# per dot (black) or 8-bit grey.
raster() {
  local bits=${3:-1} space=3
  [ "$bits" = 8 ] && space=18
  local out
  out=$WORK/$(basename "$1" .pdf)-$2-$bits.ras
  if [ ! -f "$out" ]; then
    gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=cups -r"$2" -dcupsColorSpace=$space \
      -dcupsBitsPerColor="$bits" -sOutputFile="$out" "$1" >/dev/null 2>&1
  fi
  echo "$out"
}

# tunables PATH: glibc's tunables for a column path: no AVX routines for
# sse2 and portable.
tunables() {
  if [ "$1" != avx2 ]; then echo "glibc.cpu.hwcaps=-AVX2,-AVX,-AVX_Fast_Unaligned_Load"; fi
}

# instructions PPD FILTER RASTER [PATH]: instructions of the whole filter
# process; with a column path, on that path and its glibc tunables.
instructions() {
  local out=$WORK/callgrind.out
  GLIBC_TUNABLES=$(tunables "${4:-avx2}") RIDEV_COLUMN_PATH=${4:-} \
    CUPS_SERVERROOT=$WORK/serverroot PPD=$1 valgrind --tool=callgrind \
    --callgrind-out-file="$out" "$2" 1 user title 1 "" "$3" >/dev/null 2>"$WORK/valgrind.log"
  sed -n 's/^summary: \([0-9]*\).*/\1/p' "$out"
}

# ratio A B: A / B to three places.
ratio() {
  awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'
}

# The column paths this machine has: those the filter names as taken.
PATHS=()
probe=$(raster "$WORK/text12.pdf" 180x180)
for path in avx2 sse2 portable; do
  if RIDEV_COLUMN_PATH=$path CUPS_SERVERROOT=$WORK/serverroot PPD=$OURPPD "$FILTER" 1 user \
    title 1 "" "$probe" 2>&1 >/dev/null | grep -qx "DEBUG: Column path: $path."; then
    PATHS+=("$path")
  fi
done

echo
echo "=== instructions of the whole process (callgrind), 12-page text, per column path"
printf '%-9s %-9s %14s %14s %7s\n' "path" "dpi" "ridevedudaruzo" "rastertoepson" "ratio"
for path in "${PATHS[@]}"; do
  for res in "${RESOLUTIONS[@]}"; do
    ras=$(raster "$WORK/text12.pdf" "$res")
    ours=$(instructions "$OURPPD" "$FILTER" "$ras" "$path")
    theirs=$(instructions "$EPSONPPD" "$EPSON" "$ras" "$path")
    printf '%-9s %-9s %14s %14s %7s\n' "$path" "$res" "$ours" "$theirs" "$(ratio "$ours" "$theirs")"
    if [ "$res" = 360x360 ]; then
      bits=$ours
    fi
  done
  grey=$(instructions "$OURPPD" "$FILTER" "$(raster "$WORK/text12.pdf" 360x360 8)" "$path")
  printf '%-9s %-9s %14s %14s %7s  (grey job / one-bit job)\n' "$path" "grey" "$grey" "$bits" \
    "$(ratio "$grey" "$bits")"
done

echo
echo "=== instructions of the whole process (callgrind), sample documents, default path"
printf '%-28s %14s %14s %7s\n' "raster" "ridevedudaruzo" "rastertoepson" "ratio"
for doc in "${DOCS[@]:1}"; do
  for res in "${RESOLUTIONS[@]}"; do
    ras=$(raster "$doc" "$res")
    ours=$(instructions "$OURPPD" "$FILTER" "$ras")
    theirs=$(instructions "$EPSONPPD" "$EPSON" "$ras")
    printf '%-28s %14s %14s %7s\n' "$(basename "$ras")" "$ours" "$theirs" "$(ratio "$ours" "$theirs")"
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
grey=$(raster "$WORK/text12.pdf" 360x360 8)
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

# usage PPD FILTER RASTER: "minor-faults max-RSS-KiB" of one run.
usage() {
  CUPS_SERVERROOT=$WORK/serverroot PPD=$1 /usr/bin/time -f '%R %M' -o "$WORK/usage.txt" \
    "$2" 1 user title 1 "" "$3" >/dev/null 2>&1 || true
  tail -1 "$WORK/usage.txt"
}

# The largest page the filter accepts, 64 MiB of pixels: one-bit 16384 x
# 32768 at 360 dpi, 8-bit grey 8192 x 8192 at 180; with lines of text on
# it (large) and covered in 50 % grey (dense: ink in every band, a page
# body about as large as the page).
printf '%s\n' '%!PS' '/Courier findfont 200 scalefont setfont' \
  '0 1 30 { /i exch def 100 3200 i 100 mul sub moveto (The quick brown fox 0123456789) show } for' \
  'showpage' >"$WORK/large.ps"
printf '%s\n' '%!PS' '0.5 setgray clippath fill' 'showpage' >"$WORK/dense.ps"
for kind in large dense; do
  gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=cups -r360 -dDEVICEWIDTHPOINTS=3276.8 \
    -dDEVICEHEIGHTPOINTS=6553.6 -dFIXEDMEDIA -dcupsColorSpace=3 -dcupsBitsPerColor=1 \
    -sOutputFile="$WORK/$kind-1.ras" "$WORK/$kind.ps" >/dev/null 2>&1
  gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=cups -r180 -dDEVICEWIDTHPOINTS=3276.8 \
    -dDEVICEHEIGHTPOINTS=3276.8 -dFIXEDMEDIA -dcupsColorSpace=18 -dcupsBitsPerColor=8 \
    -sOutputFile="$WORK/$kind-8.ras" "$WORK/$kind.ps" >/dev/null 2>&1
done
# 1.25 x the page's bytes plus 10 MB, in KiB.
LIMIT_KIB=$(((64 * 1024 * 1024 * 125 / 100 + 10 * 1000 * 1000) / 1024))

echo
echo "=== page faults per page and peak memory (max RSS), default path"
echo "(faults per page after the first: the 12-page job's minor faults less the first page's, / 11)"
printf '%-32s %14s %14s\n' "job" "ridevedudaruzo" "rastertoepson"
for job in 1-bit grey; do
  bits=1 space=3 input=$ras
  if [ "$job" = grey ]; then
    bits=8 space=18 input=$grey
  fi
  first=$WORK/text12-first-$bits.ras
  gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=cups -r360 -dcupsColorSpace=$space \
    -dcupsBitsPerColor=$bits -dFirstPage=1 -dLastPage=1 -sOutputFile="$first" \
    "$WORK/text12.pdf" >/dev/null 2>&1
  read -r ourFaults ourRss <<<"$(usage "$OURPPD" "$FILTER" "$input")"
  read -r theirFaults theirRss <<<"$(usage "$EPSONPPD" "$EPSON" "$input")"
  read -r ourFirst _ <<<"$(usage "$OURPPD" "$FILTER" "$first")"
  read -r theirFirst _ <<<"$(usage "$EPSONPPD" "$EPSON" "$first")"
  printf '%-32s %14s %14s\n' "faults per page, 12-page $job" "$(((ourFaults - ourFirst) / 11))" \
    "$(((theirFaults - theirFirst) / 11))"
  printf '%-32s %10s KiB %10s KiB\n' "max RSS, 12-page Letter $job" "$ourRss" "$theirRss"
done
for kind in large dense; do
  for bits in 1 8; do
    read -r _ ourRss <<<"$(usage "$OURPPD" "$FILTER" "$WORK/$kind-$bits.ras")"
    printf '%-32s %10s KiB  (1.25 x its pixels + 10 MB: %s KiB)\n' \
      "max RSS, $kind page, $bits-bit" "$ourRss" "$LIMIT_KIB"
  done
done
