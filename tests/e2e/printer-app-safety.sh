#!/bin/bash
# SPDX-License-Identifier: Apache-2.0
# End-to-end test of the printer application's safety: who may administer
# it, where file: devices may write, whose jobs a user may see and cancel,
# what a document may cost, damaged documents, many jobs at once, a restart
# after a kill, and a log on standard error that is already large.
#  1. administration over the network without signing in is refused; a
#     file: device outside its folder is refused, and one whose file is a
#     symbolic link is never opened;
#  2. another user can neither see the name of a job nor cancel it;
#  3. requests with a wrongly typed printer attribute are refused;
#  4. PostScript that never ends is stopped at the page time limit, one
#     with too many pages at the page limit; no Ghostscript is left
#     running;
#  5. a PWG raster cut inside its page ends the job aborted, with why, and
#     so do an image of 16000 x 16000 pixels and a cut PNG, before they are
#     decoded;
#  6. 4 clients send 8 jobs each at once to one printer, and 3 more
#     printers get jobs at the same time: the server stays up, no job
#     starts twice, every job's bytes equal the CUPS filter's;
#  7. the server is killed while a job waits for its device: after a
#     restart that job is aborted with the reason, not left "processing";
#     a stop (SIGTERM) with jobs waiting on a paused printer ends within
#     5 s, and after a restart the printer is still paused, its jobs still
#     there, and they print once it is resumed;
#  8. a server whose log goes to standard error, already a 1 MiB file,
#     still answers;
#  9. as root: run as lp with a control socket, as its service does, root
#     adds a printer through the socket and other local users cannot.
#
# Usage: printer-app-safety.sh <printer-app> <filter> <ppd-dir> <document.pdf>
# (KEEP_WORK=1 keeps its work folder, with the servers' logs, for a look.)
set -euo pipefail

app=$1
filter=$2
ppd_dir=$3
doc=$4
here=$(cd "$(dirname "$0")" && pwd)
step=${E2E_STEP_TIMEOUT:-120}

# shellcheck source=e2e-lib.sh
. "$here/e2e-lib.sh"
app_prepare app-safety

app_options=(-o document-page-seconds=3 -o document-max-pages=3 -o log-level=debug)
start_app_server

# submit <printer> <file> <format> <name> [-d var=value...]
submit() {
  local printer=$1 file=$2 format=$3 name=$4
  shift 4
  timeout "$step" ipptool -t -f "$file" -d "format=$format" -d "name=$name" "$@" \
    "$(printer_uri "$printer")" "$here/app-submit.test" > "$work/$name.log" 2>&1 ||
    { cat "$work/$name.log" >&2; fail "job $name on $printer did not end as expected"; }
}
# Ghostscripts of this test's servers (their output goes to a pipe).
ghostscripts() { pgrep -f -- "-sOutputFile=%stdout.*$work" | wc -l; }
gs_running() { [ "$(ghostscripts)" -gt 0 ]; }
# wait_until_quietly <seconds> <command...>: like wait_until, but false
# instead of failing when the time is up.
wait_until_quietly() {
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$end" ] || return 1
    sleep 0.2
  done
}

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

# --- 5. A damaged raster --------------------------------------------------------
head -c "$(($(stat -c %s "$work/small.pwg") - 5000))" "$work/small.pwg" > "$work/cut.pwg"
# The framework reads a raster while it arrives and, when it ends early,
# waits for the missing lines until its connection times out (a minute):
# the job's end is read from the log rather than from the answer.
timeout 100 ipptool -t -f "$work/cut.pwg" -d format=image/pwg-raster -d name=cut-raster \
  "$(printer_uri p3)" "$here/app-submit.test" > /dev/null 2>&1 || true
grep -q 'Page 1 cannot be printed: the document ends after' "$work/app.log" ||
  fail "a damaged raster was not reported"
echo "OK: a damaged raster ends the job aborted, with the reason"

# --- 5b. Images that cannot be decoded safely ----------------------------------------
gs -q -dSAFER -sDEVICE=pngmono -g16000x16000 -o "$work/huge.png" -c showpage > /dev/null 2>&1 ||
  fail "Ghostscript could not make the large image"
gs -q -dSAFER -sDEVICE=pnggray -r72 -dDEVICEWIDTHPOINTS=288 -dDEVICEHEIGHTPOINTS=144 \
  -o "$work/whole.png" -sPageList=1 "$doc" > /dev/null 2>&1 || fail "Ghostscript could not make an image"
head -c 2000 "$work/whole.png" > "$work/cut.png"
submit p3 "$work/huge.png" image/png huge-image -d state=8
grep -q '16000 x 16000 pixels, more than a page may hold' "$work/huge-image.log" ||
  fail "an oversized image was not refused: $(cat "$work/huge-image.log")"
submit p3 "$work/cut.png" image/png cut-image -d state=8
grep -q 'the PNG file is damaged' "$work/cut-image.log" ||
  fail "a damaged image was not refused: $(cat "$work/cut-image.log")"
echo "OK: oversized and damaged images are refused before they are decoded"

# --- 6. Many jobs at once ---------------------------------------------------------
PPD="$ppd_dir/ridev24.ppd" "$filter" 1 e2e ref 1 "" "$work/small.pwg" > "$work/ref.prn" 2> /dev/null ||
  fail "the filter failed"
burst() { # burst <client> <printer> <jobs>
  local i
  for ((i = 0; i < $3; i++)); do
    submit "$2" "$work/small.pwg" image/pwg-raster "load-$1-$i" || return 1
  done
}
starts() { grep -c 'Starting print job' "$work/app.log" || true; }
starts_before=$(starts)
pids=()
for client in 1 2 3 4; do
  burst "$client" p1 8 & pids+=($!)
done
for printer in p2 p3 p4; do
  burst "$printer" "$printer" 4 & pids+=($!)
done
for pid in "${pids[@]}"; do
  wait "$pid" || fail "a client's jobs did not all complete"
done
kill -0 "$server_pid" || fail "the server died under load"
count=0
for file in "$work"/out/p*/load-*.prn; do
  cmp -s "$file" "$work/ref.prn" || fail "$(basename "$file") differs from the filter's output"
  count=$((count + 1))
done
[ "$count" -eq 44 ] || fail "$count of 44 jobs reached their printers"
started=$(($(starts) - starts_before))
[ "$started" -eq 44 ] || fail "44 jobs were started $started times"
echo "OK: 44 jobs from 7 clients on 4 printers, each printed once, byte for byte"

# --- 7. A kill while a job prints -----------------------------------------------------
# The job on the printer whose device is a link waits for its device, and
# the saved state shows it printing; after a kill and a restart it must be
# aborted with the reason, not printing forever.
grep -q '^Job .*name="through-link".* state="5"' "$work/app.state" ||
  fail "the saved state does not show the waiting job as printing"
kill -KILL "$server_pid"
wait "$server_pid" 2> /dev/null || true
server_pid=""
start_app "$port"
wait_until 30 "the server to start again" port_open "$port"
reported() { grep -q 'Job 1 was printing when the server stopped: aborted' "$work/app.log"; }
saved_aborted() { grep -q '^Job .*name="through-link".* state="8"' "$work/app.state"; }
if ! wait_until_quietly 10 reported || ! wait_until_quietly 10 saved_aborted; then
  grep '^Job .*name="through-link"' "$work/app.state" >&2 || true
  fail "the interrupted job was not reported and saved as aborted"
fi
timeout "$step" "$app" jobs -d linked | grep -q 'processing' &&
  fail "a job stays processing after a restart"
echo "OK: a job cut short by a kill is aborted at the next start"

# --- 7b. A stop with jobs waiting, and a paused printer ----------------------------
gs -q -dSAFER -sDEVICE=pdfwrite -o "$work/blank.pdf" -c showpage > /dev/null 2>&1 ||
  fail "Ghostscript could not make a PDF"
timeout "$step" "$app" pause -d p3 || fail "the pause command failed"
for i in 1 2; do
  timeout "$step" ipptool -f "$work/blank.pdf" -d format=application/pdf -d "name=queued-$i" \
    "$(printer_uri p3)" "$here/app-submit.test" > /dev/null 2>&1 &
done
queued() { [ "$(timeout "$step" "$app" jobs -d p3 | grep -c 'queued-')" -eq 2 ]; }
wait_until 30 "two jobs waiting on the paused printer" queued
timeout "$step" ipptool -f "$work/forever.ps" -d format=application/postscript -d name=stopped \
  "$(printer_uri p2)" "$here/app-submit.test" > /dev/null 2>&1 &
wait_until 30 "the job to print" gs_running
SECONDS=0
stop_server
[ "$SECONDS" -le 5 ] || fail "a stop with jobs waiting took $SECONDS s"
[ "$(ghostscripts)" -eq 0 ] || fail "Ghostscript is left running after the stop"
start_app "$port"
wait_until 30 "the server to start again" port_open "$port"
sleep 2
timeout "$step" "$app" status -d p3 | grep -qi 'stopped\|paused' ||
  fail "the paused printer is not paused after a restart: $("$app" status -d p3)"
queued || fail "the waiting jobs were lost: $("$app" jobs -d p3)"
timeout "$step" "$app" resume -d p3 || fail "the resume command failed"
printed() { [ "$(find "$work/out/p3" -name 'queued-*.prn' | wc -l)" -eq 2 ]; }
wait_until 60 "the waiting jobs to print" printed
echo "OK: a stop ends at once with jobs waiting; they and the pause survive it"
stop_server

# --- 8. A large log on standard error ---------------------------------------------
head -c 1100000 /dev/zero | tr '\0' 'x' > "$work/stderr.log"
"$app" server -o listen-hostname=127.0.0.1 -o "server-port=$port" \
  -o "spool-directory=$work/spool" -o "state-file=$work/app.state" \
  -o "file-device-directory=$work/out" -o log-file=- >> "$work/stderr.log" 2>&1 &
server_pid=$!
wait_until 30 "the server with a large log to start" port_open "$port"
timeout 30 "$app" printers > /dev/null || fail "the server with a large log does not answer"
echo "OK: a server logging to a large file on standard error answers"
stop_server

# --- 9. As a service user ---------------------------------------------------------
# As its service runs it: as lp, with a control socket for administrators.
# Needs root to switch users.
if [ "$(id -u)" -eq 0 ] && id lp > /dev/null 2>&1 && command -v setpriv > /dev/null; then
  service=$work/service
  mkdir -p "$service/run" "$service/state"
  chown lp:lp "$service/run" "$service/state"
  chmod 755 "$work" "$service" "$service/run"
  control=$service/run/control.sock
  start_service() { # start_service <port>
    setpriv --reuid=lp --regid=lp --init-groups env TMPDIR="$service/run" \
      "$app" server -o listen-hostname=127.0.0.1 -o "server-port=$1" \
      -o "state-file=$service/state/state" -o "spool-directory=$service/state/spool" \
      -o "control-socket=$control" -o "log-file=$service/state/log" >> "$work/server.out" 2>&1 &
    server_pid=$!
  }
  start_on_free_port start_service port_open stop_server
  [ -n "$free_port" ] || fail "the printer application did not start as lp"
  wait_until 30 "the control socket" test -S "$control"
  timeout "$step" ipptool -t -d name=svc -d driver=ridev24 \
    -d "device=file://$service/state/spool/devices" "ipp://${control//\//%2F}/ipp/system" \
    "$here/app-create-printer.test" > "$work/service.log" 2>&1 ||
    { cat "$work/service.log" >&2; fail "root could not add a printer through the control socket"; }
  for socket in "$control" "$service/run/ridevedudaruzo-printer-app$(id -u lp).sock"; do
    [ "$(stat -c %a "$socket")" = 770 ] || fail "$socket is open to everyone"
  done
  if setpriv --reuid=nobody --regid=nogroup --clear-groups ipptool -t -d name=evil \
    -d driver=ridev24 -d "device=file://$service/state/spool/devices" \
    "ipp://${control//\//%2F}/ipp/system" "$here/app-create-printer.test" > /dev/null 2>&1; then
    fail "another local user added a printer"
  fi
  echo "OK: as lp, administrators reach it through its control socket, other users do not"
  stop_server
else
  echo "SKIP: running the server as lp needs root, the user lp and setpriv"
fi

stop_server
fail_on_sanitizer_reports "$work/server.out" "$work/stderr.log"
