#!/bin/bash
# SPDX-License-Identifier: Apache-2.0
# End-to-end test of the printer application's safety: who may administer
# it, where file: devices may write, whose jobs a user may see and cancel,
# and what a document may cost.
#  1. administration over the network without signing in is refused; a
#     file: device outside its folder is refused, and one whose file is a
#     symbolic link is never opened;
#  2. another user can neither see the name of a job nor cancel it;
#  3. requests with a wrongly typed printer attribute are refused;
#  4. PostScript that never ends is stopped at the page time limit, one
#     with too many pages at the page limit; no Ghostscript is left
#     running.
# Usage: printer-app-safety.sh <printer-app> <filter> <ppd-dir> <document.pdf>
set -euo pipefail

app=$1
filter=$2
ppd_dir=$3
doc=$4
here=$(cd "$(dirname "$0")" && pwd)
step=${E2E_STEP_TIMEOUT:-120}

work=$(mktemp -d /tmp/ridev-app-safety.XXXXXX)
server_pid=""
# shellcheck source=e2e-lib.sh
. "$here/e2e-lib.sh"
export LSAN_OPTIONS="suppressions=$here/printer-app.lsan:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}fast_unwind_on_malloc=0"
export TMPDIR=$work/tmp
mkdir -p "$TMPDIR" "$work/spool" "$work/out"

stop_server() {
  stop_pid "$server_pid"
  server_pid=""
}
cleanup() {
  local rc=$?
  stop_server
  if [ "$rc" -ne 0 ] && [ -f "$work/app.log" ]; then
    echo "--- the printer application's errors and warnings:" >&2
    grep -E '^[EW] ' "$work/app.log" | grep -v 'DNS-SD' | tail -n 40 >&2 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

start_app() { # start_app <port>
  "$app" server -o listen-hostname=127.0.0.1 -o "server-port=$1" \
    -o "spool-directory=$work/spool" -o "state-file=$work/app.state" \
    -o "file-device-directory=$work/out" -o document-page-seconds=3 \
    -o document-max-pages=3 -o "log-file=$work/app.log" -o log-level=debug \
    >> "$work/server.out" 2>&1 &
  server_pid=$!
}
start_on_free_port start_app port_open stop_server
port=$free_port
[ -n "$port" ] || { cat "$work/server.out" >&2; fail "the printer application did not start"; }
server=ipp://127.0.0.1:$port
printer_uri() { echo "$server/ipp/print/$1"; }

# submit <printer> <file> <format> <name> [-d var=value...]
submit() {
  local printer=$1 file=$2 format=$3 name=$4
  shift 4
  timeout "$step" ipptool -t -f "$file" -d "format=$format" -d "name=$name" "$@" \
    "$(printer_uri "$printer")" "$here/app-submit.test" > "$work/$name.log" 2>&1 ||
    { cat "$work/$name.log" >&2; fail "job $name on $printer did not end as expected"; }
}
ghostscripts() { pgrep -f -- "-sOutputFile=%stdout" | wc -l; }

# --- 1. Administration and file: devices --------------------------------------
for name in p1 p2 p3 p4; do
  mkdir -p "$work/out/$name"
  timeout "$step" "$app" add -d "$name" -m ridev24 -v "file://$work/out/$name" ||
    fail "the server's own user could not add a printer through the local socket"
done
if timeout "$step" "$app" add -u "$server/ipp/system" -d remote -m ridev24 \
  -v "file://$work/out/remote" < /dev/null > "$work/remote.out" 2>&1; then
  fail "a printer was added over the network without signing in"
fi
if timeout "$step" "$app" add -d outside -m ridev24 -v "file://$work/outside" > /dev/null 2>&1; then
  fail "a file: device outside its folder was accepted"
fi
printers=$(timeout "$step" "$app" printers)
grep -qx 'remote\|outside' <<< "$printers" && fail "a refused printer exists: $printers"
echo "OK: administration needs an administrator; file: devices stay in their folder"

gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pwgraster -dcupsColorSpace=18 -dcupsBitsPerColor=8 \
  -r180 -dDEVICEWIDTHPOINTS=216 -dDEVICEHEIGHTPOINTS=144 -dFIXEDMEDIA -dPDFFitPage \
  -sPageList=1 -sOutputFile="$work/small.pwg" "$doc" > /dev/null 2>&1 ||
  fail "Ghostscript could not make the sample raster"
echo "secret" > "$work/secret"
ln -s "$work/secret" "$work/out/link"
timeout "$step" "$app" add -d linked -m ridev24 -v "file://$work/out/link" ||
  fail "a printer inside the folder was refused"
# The device cannot be opened: the job waits for it (as for a printer that
# is off) and nothing reaches the link's target.
timeout 8 ipptool -t -f "$work/small.pwg" -d format=image/pwg-raster -d name=through-link \
  "$(printer_uri linked)" "$here/app-submit.test" > /dev/null 2>&1 || true
grep -q 'out/link.*Too many levels of symbolic links' "$work/app.log" ||
  fail "the device behind a symbolic link was not refused"
[ "$(cat "$work/secret")" = secret ] || fail "a job was written through a symbolic link"
echo "OK: no job is written through a symbolic link"

# --- 2. Other users' jobs ------------------------------------------------------
timeout "$step" ipptool -t -d owner=alice -d other=mallory "$(printer_uri p4)" \
  "$here/app-job-privacy.test" > "$work/owner.log" 2>&1 ||
  { cat "$work/owner.log" >&2; fail "a user could see another user's job"; }
held=$(sed -n 's/.*job-id (integer) = \([0-9]*\).*/\1/p' "$work/owner.log" | head -n 1)
[ -n "$held" ] || { cat "$work/owner.log" >&2; fail "no job id shown"; }
if timeout "$step" ipptool -t -d "job=$held" -d requester=mallory "$(printer_uri p4)" \
  "$here/app-cancel-job.test" > "$work/cancel-other.log" 2>&1; then
  fail "a user cancelled another user's job"
fi
grep -q 'not-authenticated' "$work/cancel-other.log" ||
  { cat "$work/cancel-other.log" >&2; fail "cancelling another user's job was not refused"; }
timeout "$step" ipptool -t -d "job=$held" -d requester=alice "$(printer_uri p4)" \
  "$here/app-cancel-job.test" > "$work/cancel-own.log" 2>&1 ||
  { cat "$work/cancel-own.log" >&2; fail "the owner could not cancel a job"; }
echo "OK: only the owner sees and cancels a job"

# --- 3. Wrongly typed printer attributes ----------------------------------------
timeout "$step" ipptool -t -f "$work/small.pwg" -d format=image/pwg-raster -d cutter=sideways \
  "$(printer_uri p1)" "$here/app-refused.test" > "$work/refused.log" 2>&1 ||
  { cat "$work/refused.log" >&2; fail "a wrongly typed printer attribute was accepted"; }
echo "OK: a printer attribute with a value it does not have is refused"

# --- 4. What a document may cost ------------------------------------------------
printf '%%!PS\n{} loop\n' > "$work/forever.ps"
SECONDS=0
submit p2 "$work/forever.ps" application/postscript forever -d state=8
[ "$SECONDS" -lt 30 ] || fail "a document that never ends ran for $SECONDS s"
grep -q 'took longer than 3 seconds' "$work/forever.log" ||
  fail "the job's message does not say why: $(cat "$work/forever.log")"
printf '%%!PS\n1 1 10 { pop showpage } for\n' > "$work/pages.ps"
submit p2 "$work/pages.ps" application/postscript many-pages -d state=8
grep -q 'more than 3 pages' "$work/many-pages.log" ||
  fail "the job's message does not give the page limit: $(cat "$work/many-pages.log")"
[ "$(ghostscripts)" -eq 0 ] || fail "Ghostscript is left running"
echo "OK: endless and overlong documents are stopped, with the reason"

stop_server
if grep -q 'Sanitizer\|runtime error' "$work/server.out"; then
  cat "$work/server.out" >&2
  fail "the sanitizer reported errors"
fi
