#!/bin/bash
# SPDX-License-Identifier: Apache-2.0
# Load run of the printer application: RUNS rounds (default 10) in which
# 5 clients send 50 jobs (grey PWG raster, PNG and PDF, in turn) to 3
# printers at once, cancelling every seventh, followed by 4 clients that
# each send 10 small raster jobs to one printer at once. After each round
# the server must still run, every job must have been started at most
# once, no job may be aborted (cancels from "cancel -a" also hit other
# clients' jobs on that printer), and every raster job's bytes must equal
# the CUPS filter's for the same raster. Prints the figures of each round.
#
# Usage: load-printer-app.sh <build-dir> [RUNS]
#   e.g. scripts/load-printer-app.sh build/test, or build/asan for the
#   sanitizer build (its server's reports fail the run).
set -euo pipefail

build=$(cd "$1" && pwd)
runs=${2:-10}
here=$(cd "$(dirname "$0")/../tests/e2e" && pwd)
app=$build/printerapp/ridevedudaruzo-printer-app
filter=$build/filter/ridevedudaruzo
doc=$(cd "$(dirname "$0")/.." && pwd)/examples/sample.pdf
step=120

# shellcheck source=../tests/e2e/e2e-lib.sh
. "$here/e2e-lib.sh"
app_prepare app-load

app_options=(-o log-level=info)
start_app_server
for p in l1 l2 l3; do
  mkdir -p "$work/out/$p"
  "$app" add -d "$p" -m ridev24 -v "file://$work/out/$p" || fail "cannot add $p"
done

gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pwgraster -dcupsColorSpace=18 -dcupsBitsPerColor=8 \
  -r180 -dDEVICEWIDTHPOINTS=288 -dDEVICEHEIGHTPOINTS=216 -dFIXEDMEDIA -dPDFFitPage \
  -sPageList=1 -sOutputFile="$work/job.pwg" "$doc" > /dev/null 2>&1
gs -q -dSAFER -sDEVICE=pnggray -r72 -dDEVICEWIDTHPOINTS=288 -dDEVICEHEIGHTPOINTS=216 \
  -sPageList=1 -o "$work/job.png" "$doc" > /dev/null 2>&1
gs -q -dSAFER -sDEVICE=pdfwrite -dDEVICEWIDTHPOINTS=288 -dDEVICEHEIGHTPOINTS=216 -dFIXEDMEDIA \
  -sPageList=1 -o "$work/job.pdf" "$doc" > /dev/null 2>&1
PPD="$build/ppd/ridev24.ppd" "$filter" 1 load ref 1 "" "$work/job.pwg" > "$work/ref.prn" 2> /dev/null

# client <round> <client> <jobs>: sends its jobs, one after another.
client() {
  local i name file format printer
  for ((i = 0; i < $3; i++)); do
    name="r$1-c$2-j$i"
    case $((i % 3)) in
      0) file=$work/job.pwg format=image/pwg-raster ;;
      1) file=$work/job.png format=image/png ;;
      *) file=$work/job.pdf format=application/pdf ;;
    esac
    printer=l$(((i + $2) % 3 + 1))
    if [ $(((i + $2) % 7)) -eq 0 ]; then
      # Sent and cancelled at once (it may already have printed).
      ipptool -f "$file" -d "format=$format" -d "name=$name" "$(printer_uri "$printer")" \
        "$here/app-submit.test" > /dev/null 2>&1 &
      sleep 0.2
      "$app" cancel -d "$printer" -a > /dev/null 2>&1 || true
      wait $! || true
    else
      ipptool -f "$file" -d "format=$format" -d "name=$name" "$(printer_uri "$printer")" \
        "$here/app-submit.test" > /dev/null 2>&1 || echo "$name" >> "$work/failed"
    fi
  done
}

total_start=$SECONDS
for ((round = 1; round <= runs; round++)); do
  start=$SECONDS
  : > "$work/failed"
  pids=()
  for c in 1 2 3 4 5; do
    client "$round" "$c" 10 & pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid" || true; done
  pids=()
  for c in 1 2 3 4; do
    (for ((i = 0; i < 10; i++)); do
      ipptool -f "$work/job.pwg" -d format=image/pwg-raster -d "name=b$round-$c-$i" \
        "$(printer_uri l1)" "$here/app-submit.test" > /dev/null 2>&1 || echo "b$round-$c-$i" >> "$work/failed"
    done) & pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid" || true; done
  kill -0 "$server_pid" 2> /dev/null || fail "round $round: the server died"
  same=0 differ=0
  for f in "$work"/out/l*/r"$round"-*.prn "$work"/out/l1/b"$round"-*.prn; do
    [ -f "$f" ] || continue
    case $f in *-j*[0-9].prn) n=${f##*-j}; n=${n%.prn}; [ $((n % 3)) -eq 0 ] || continue ;; esac
    if cmp -s "$f" "$work/ref.prn"; then same=$((same + 1)); else differ=$((differ + 1)); fi
  done
  printf 'round %d: %d s, raster outputs identical to the filter %d, different %d\n' \
    "$round" $((SECONDS - start)) "$same" "$differ"
done
ended() { grep -c "\] $1, job-impressions-completed" "$work/app.log" || true; }
received=$((runs * 90))
starts=$(grep -c 'Starting print job' "$work/app.log" || true)
echo "total: $((SECONDS - total_start)) s for $runs rounds of 90 jobs"
echo "jobs sent $received, started $starts, completed $(ended Completed)," \
  "cancelled $(ended Canceled), aborted $(ended Aborted)"
[ "$starts" -le "$received" ] || fail "more job starts than jobs"
[ "$(ended Aborted)" -eq 0 ] || fail "jobs were aborted"
stop_server
fail_on_sanitizer_reports "$work/server.out"
echo "no sanitizer reports"
