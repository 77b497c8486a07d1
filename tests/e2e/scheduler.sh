#!/bin/bash
# SPDX-License-Identifier: Apache-2.0
# End-to-end test with a real CUPS scheduler. Starts a private cupsd on
# 127.0.0.1 (its own configuration, spool, logs and server-binary folder with
# the built filter, a free port of its own), adds file: queues with the given
# PPD and then:
#  1. prints two copies of a PDF, which CUPS converts with its own filters
#     and ours; the job must complete, and the printer bytes, printed on the
#     virtual printer, must carry exactly the dots of the raster that CUPS
#     makes for the same document, PPD and options, every page twice;
#  2. prints a grey document with halftoned grey and a halftone pattern asked
#     for as job options; the printer bytes must carry exactly the dither,
#     with that pattern, of the eight-bit grey raster CUPS makes for them;
#  3. prints a long job to a slowly drained FIFO and cancels it while it
#     prints; the job must end cancelled, and the output must hold only
#     whole pages, each the same as the raster's page.
# The scheduler is stopped by its process id when the script exits.
#
# Usage: scheduler.sh <filter-executable> <e2e-compare> <ppd> <document.pdf>
#                     <grey-document.pdf>
set -euo pipefail

filter=$1
compare=$2
ppd=$3
doc=$4
grey_doc=$5
here=$(cd "$(dirname "$0")" && pwd)
step=${E2E_STEP_TIMEOUT:-120}

if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP: a private scheduler needs root (its filters run as user lp)"
  exit 77
fi

work=$(mktemp -d /tmp/ridev-e2e.XXXXXX)
chmod 0755 "$work"
drain_pid=""
# shellcheck source=e2e-lib.sh
. "$here/e2e-lib.sh"

cleanup() {
  local rc=$?
  stop_cupsd
  if [ -n "$drain_pid" ]; then
    kill "$drain_pid" 2>/dev/null || true
    wait "$drain_pid" 2>/dev/null || true
  fi
  if [ "$rc" -ne 0 ] && [ -f "$work/log/error_log" ]; then
    echo "--- the scheduler's errors, warnings and job messages:" >&2
    grep -E '^[EW] |\[Job [0-9]+\]' "$work/log/error_log" | tail -n 60 >&2 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# --- The private scheduler ---------------------------------------------------
mkdir -p "$work/out"
chown lp:lp "$work/out"
bash "$here/make-serverbin.sh" "$work/serverbin" "$filter"
start_cupsd "$work" "$work/serverbin"
port=$cups_port
echo "scheduler running on 127.0.0.1:$port (pid $cupsd_pid)"

add_queue() { # add_queue <name>
  timeout "$step" lpadmin -p "$1" -E -v "file://$work/out/$1.prn" -P "$ppd" ||
    fail "lpadmin could not add queue $1"
}

submit() { # submit <queue> <file> <lp options...>; prints the job id
  local queue=$1 file=$2 out
  shift 2
  out=$(timeout "$step" lp -d "$queue" "$@" "$file") || fail "lp could not submit $file"
  sed -n 's/^request id is .*-\([0-9][0-9]*\) .*/\1/p' <<< "$out"
}

job_state() { # job_state <queue> <job-id>: pending, processing, completed...
  timeout 30 ipptool -c -d "job=$2" "ipp://127.0.0.1:$port/printers/$1" \
    "$here/job-state.test" | sed -n '2s/,.*//p'
}

# wait_for_end <queue> <job-id>: waits until the job has ended and prints its
# final state; a stopped job is a failure (its filter failed).
wait_for_end() {
  local state end=$((SECONDS + step))
  while :; do
    state=$(job_state "$1" "$2" || true)
    case $state in
      completed | canceled | aborted)
        echo "$state"
        return 0
        ;;
      processing-stopped | stopped)
        fail "job $2 stopped: a filter failed"
        ;;
    esac
    [ "$SECONDS" -lt "$end" ] || fail "job $2 still '$state' after ${step}s"
    sleep 0.2
  done
}

model=$(sed -n 's/^\*cupsModelNumber: *\([0-9]*\).*/\1/p' "$ppd")

# The raster CUPS makes for a document and options, with the same filters.
reference_raster() { # reference_raster <document> <output> <options...>
  local file=$1 output=$2
  shift 2
  CUPS_SERVERBIN="$work/serverbin" timeout "$step" \
    cupsfilter -p "$ppd" -m application/vnd.cups-raster "$@" "$file" \
    > "$output" 2> "$output.log" || { cat "$output.log" >&2; fail "cupsfilter failed on $file"; }
}

# --- 1. A whole job ---------------------------------------------------------
# Two copies: the filter prints each page it receives once, so the PPD must
# have the filters before it repeat the pages.
add_queue e2e
job=$(submit e2e "$doc" -n 2)
[ -n "$job" ] || fail "no job id from lp"
state=$(wait_for_end e2e "$job")
[ "$state" = completed ] || fail "job $job ended '$state', expected completed"
echo "job $job completed: $(stat -c %s "$work/out/e2e.prn") bytes"
reference_raster "$doc" "$work/e2e.ras" -n 2
result=$("$compare" --model "$model" "$work/e2e.ras" "$work/out/e2e.prn" 2>&1) || {
  echo "$result" >&2
  fail "the printed job differs from the raster CUPS makes"
}
echo "$result"
doc_pages=$(pdfinfo "$doc" | sed -n 's/^Pages: *//p')
printed=$(sed -n 's/^OK: \([0-9]*\) of.*/\1/p' <<< "$result")
[ "$printed" = $((2 * doc_pages)) ] ||
  fail "$printed pages printed for two copies of $doc_pages pages"

# --- 1b. Copies of a raster document -----------------------------------------
# No filter comes before ours for a raster document, so the filter makes the
# copies: three whole documents, and a PAGE line per page sent.
reference_raster "$doc" "$work/one.ras"
chmod 0644 "$work/one.ras"
PPD="$ppd" "$filter" 1 user title 1 "" "$work/one.ras" > "$work/one.prn" 2> /dev/null ||
  fail "the filter could not print one copy of the raster document"
add_queue e2e-copies
job=$(submit e2e-copies "$work/one.ras" -n 3)
state=$(wait_for_end e2e-copies "$job")
[ "$state" = completed ] || fail "raster copies job $job ended '$state', expected completed"
cat "$work/one.prn" "$work/one.prn" "$work/one.prn" > "$work/three.prn"
cmp -s "$work/three.prn" "$work/out/e2e-copies.prn" ||
  fail "three copies of a raster document are not three times its printer data"
raster_pages=$(PPD="$ppd" "$filter" 1 user title 1 "" "$work/one.ras" 2>&1 >/dev/null |
  grep -c '^PAGE: ')
impressions=$(ipptool -c -d "job=$job" "ipp://127.0.0.1:$port/printers/e2e-copies" \
  "$here/job-state.test" | awk -F, 'NR == 2 { print $2 }')
[ "$impressions" = $((3 * raster_pages)) ] ||
  fail "job-impressions-completed is '$impressions' for 3 copies of $raster_pages pages"
echo "raster copies job $job completed: 3 x $raster_pages pages, $impressions impressions"

# --- 2. A grey job -----------------------------------------------------------
# The options travel with the job: CUPS rasterises in eight-bit grey and the
# filter takes the pattern from the job's options, not the PPD's default.
pattern=HT_PATSIZE_SUPERCELL_M
options=(-o RidevGreyShades=Halftoned -o "RidevHalftone=$pattern")
add_queue e2e-grey
job=$(submit e2e-grey "$grey_doc" "${options[@]}")
[ -n "$job" ] || fail "no job id from lp"
state=$(wait_for_end e2e-grey "$job")
[ "$state" = completed ] || fail "grey job $job ended '$state', expected completed"
echo "grey job $job completed: $(stat -c %s "$work/out/e2e-grey.prn") bytes"
reference_raster "$grey_doc" "$work/grey.ras" "${options[@]}"
result=$("$compare" --model "$model" --halftone "$pattern" "$work/grey.ras" \
  "$work/out/e2e-grey.prn" 2>&1) || {
  echo "$result" >&2
  fail "the printed grey job is not the dither of the raster CUPS makes"
}
echo "$result"

# --- 3. A job cancelled while it prints ------------------------------------
# The queue writes into a FIFO that is drained slowly, like a printer on a
# slow port: the filter blocks on its output, so the job is still printing
# when it is cancelled however fast the machine is, and the filter has to
# finish its page through the back-pressure after SIGTERM.
pages=12
cat > "$work/long.ps" <<EOF
%!PS
/Courier findfont 9 scalefont setfont
1 1 $pages {
  /p exch def
  0.3 setlinewidth
  0 4 800 { /y exch def 30 y moveto 565 800 y sub p 20 mul sub lineto stroke } for
  40 40 780 { /y exch def
    40 y moveto (Page ) show p 10 string cvs show
    ( of $pages: the quick brown fox jumps over the lazy dog 0123456789) show
  } for
  showpage
} for
EOF
gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pdfwrite -sPAPERSIZE=a4 \
  -sOutputFile="$work/long.pdf" "$work/long.ps" || fail "could not make the long document"
chmod 0644 "$work/long.pdf"

# slow_drain <fifo> <file>: copies the FIFO into the file, 256 KiB at a time
# with a pause after each, until the writer closes it.
slow_drain() {
  local size=0 before
  : > "$2"
  exec 3< "$1"
  while :; do
    dd bs=65536 count=4 iflag=fullblock status=none <&3 >> "$2"
    before=$size
    size=$(stat -c %s "$2")
    [ "$size" -gt "$before" ] || break
    sleep 0.2
  done
  exec 3<&-
}
fifo=$work/out/e2e-cancel.fifo
output=$work/out/e2e-cancel.prn
mkfifo -m 0600 "$fifo"
slow_drain "$fifo" "$output" &
drain_pid=$!

timeout "$step" lpadmin -p e2e-cancel -E -v "file://$fifo" -P "$ppd" ||
  fail "lpadmin could not add queue e2e-cancel"
options=(-o Resolution=360x360dpi)
job=$(submit e2e-cancel "$work/long.pdf" "${options[@]}")
[ -n "$job" ] || fail "no job id from lp"
printing() {
  [ "$(job_state e2e-cancel "$job")" = processing ] && [ -s "$output" ]
}
wait_until "$step" "job $job to print its first bytes" printing
timeout "$step" cancel "$job" || fail "cancel failed for job $job"
state=$(wait_for_end e2e-cancel "$job")
[ "$state" = canceled ] || fail "job $job ended '$state', expected canceled"
# The drain ends when the filter, the FIFO's last writer, has exited.
wait_until "$step" "the filter to finish after the cancel" eval '! kill -0 "$drain_pid" 2>/dev/null'
wait "$drain_pid" || fail "draining the queue's output failed"
drain_pid=""
echo "job $job cancelled: $(stat -c %s "$output") bytes"

reference_raster "$work/long.pdf" "$work/long.ras" "${options[@]}"
result=$("$compare" --partial --model "$model" "$work/long.ras" "$output" 2>&1) || {
  echo "$result" >&2
  fail "the cancelled job's output is not made of whole, correct pages"
}
echo "$result" | tail -n 1
printed=$(sed -n 's/^OK: \([0-9]*\) of.*/\1/p' <<< "$result")
[ "${printed:-0}" -lt "$pages" ] || fail "all $pages pages printed: the job was not cancelled"

echo "PASS"
