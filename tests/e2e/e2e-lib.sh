# SPDX-License-Identifier: Apache-2.0
# shellcheck shell=bash
# Shell helpers shared by the end-to-end tests: failing with a message,
# waiting for a condition, stopping a server by its process id, running a
# private CUPS scheduler on 127.0.0.1, and running the printer application
# on 127.0.0.1 with everything of its own in a work folder. Sourced by the
# test scripts.

# The folder of this file and of the files that go with it.
e2e_lib_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# fail <message...>: ends the test with a message.
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# wait_until <seconds> <what> <command...>: polls the command until it
# succeeds; fails the test when the time is up.
wait_until() {
  local limit=$1 what=$2
  shift 2
  local end=$((SECONDS + limit))
  until "$@"; do
    [ "$SECONDS" -lt "$end" ] || fail "timed out after ${limit}s waiting for $what"
    sleep 0.2
  done
}

# port_open <port>: true when something listens on the local port.
port_open() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# stop_pid <pid>: asks a server to end (SIGTERM), gives it ten seconds, then
# kills it; nothing happens for an empty pid.
stop_pid() {
  [ -n "$1" ] || return 0
  kill -TERM "$1" 2>/dev/null || true
  for _ in $(seq 100); do
    kill -0 "$1" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}

# start_on_free_port <start> <ready> <stop>: picks a port nobody listens on
# and runs `<start> <port>`, which starts a server in the background (and
# keeps its process id for the script's cleanup); waits up to 30 seconds for
# `<ready> <port>` while that server ($!) runs. A server that does not come
# up is stopped with `<stop>` and another port tried (it may have been taken
# in the meantime), five times at most. Sets free_port, empty when no server
# came up.
start_on_free_port() {
  local start=$1 ready=$2 stop=$3 candidate pid end
  free_port=""
  for _ in 1 2 3 4 5; do
    candidate=$((20000 + RANDOM % 40000))
    port_open "$candidate" && continue
    "$start" "$candidate"
    pid=$!
    end=$((SECONDS + 30))
    while kill -0 "$pid" 2>/dev/null && [ "$SECONDS" -lt "$end" ]; do
      if "$ready" "$candidate"; then
        free_port=$candidate
        return 0
      fi
      sleep 0.2
    done
    "$stop"
  done
}

# The private scheduler's process id, port and folder, set by start_cupsd.
cupsd_pid=""
cups_port=""
cupsd_dir=""

stop_cupsd() {
  stop_pid "$cupsd_pid"
  cupsd_pid=""
}

# launch_cupsd <port>: writes the scheduler's configuration for the port and
# starts cupsd in the background.
launch_cupsd() {
  cat > "$cupsd_dir/root/cupsd.conf" <<CONF
LogLevel debug
Listen 127.0.0.1:$1
Browsing No
BrowseLocalProtocols none
WebInterface No
DefaultAuthType None
DefaultEncryption Never
PreserveJobHistory Yes
<Location />
  Order allow,deny
  Allow from 127.0.0.1
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
  cupsd -f -c "$cupsd_dir/root/cupsd.conf" -s "$cupsd_dir/root/cups-files.conf" \
    >> "$cupsd_dir/log/cupsd.out" 2>&1 &
  cupsd_pid=$!
}

# cupsd_running <port>: true when the scheduler on the port answers.
cupsd_running() {
  CUPS_SERVER=127.0.0.1:$1 timeout 10 lpstat -r 2>/dev/null | grep -q 'scheduler is running'
}

# start_cupsd <folder> <server-bin>: starts cupsd as root with everything of
# its own below the folder (root/ for its configuration, log/error_log...)
# and the filters and backends of <server-bin>, on a free port. Sets
# cupsd_pid and cups_port and exports CUPS_SERVER.
start_cupsd() {
  local dir=$1 serverbin=$2
  cupsd_dir=$dir
  mkdir -p "$dir/root/ppd" "$dir/state" "$dir/cache" "$dir/spool" "$dir/tmp" "$dir/log"
  chmod 0755 "$dir" "$dir/root" "$dir/state" "$dir/log"
  chmod 0770 "$dir/cache"
  chmod 0710 "$dir/spool"
  chmod 1777 "$dir/tmp"
  chgrp lp "$dir/cache" "$dir/spool"
  cat > "$dir/root/cups-files.conf" <<CONF
ServerRoot $dir/root
StateDir $dir/state
CacheDir $dir/cache
RequestRoot $dir/spool
TempDir $dir/tmp
ServerBin $serverbin
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
Printcap $dir/state/printcap
FileDevice Yes
SystemGroup root
User lp
Group lp
CONF
  start_on_free_port launch_cupsd cupsd_running stop_cupsd
  cups_port=$free_port
  [ -n "$cups_port" ] || { cat "$dir/log/cupsd.out" >&2; fail "the private CUPS scheduler did not start"; }
  export CUPS_SERVER=127.0.0.1:$cups_port
}

# --- The printer application -------------------------------------------------
# A script sets `app` (the program), calls app_prepare, sets `app_options`
# (server options beyond the common ones) and starts the server with
# start_app_server.

# The server's process id, set by start_app, and its extra options, set by
# the script. app_prepare sets `work` (the work folder); start_app_server
# sets `port` and `server` (its IPP address).
server_pid=""
app_options=()

# app_prepare <name>: makes the work folder (/tmp/ridev-<name>.XXXXXX,
# removed at exit by app_cleanup), its private places and the sanitizer
# options for the application's servers and commands.
app_prepare() {
  work=$(mktemp -d "/tmp/ridev-$1.XXXXXX")
  trap app_cleanup EXIT
  # In a sanitizer build, leaks of the framework itself are not ours to
  # fix; full stacks are needed to tell them apart.
  export LSAN_OPTIONS="suppressions=$e2e_lib_dir/printer-app.lsan:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
  export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}fast_unwind_on_malloc=0"
  # Command-line clients look for a running server through a local socket:
  # for a user in TMPDIR, for root in SNAP_COMMON (instead of the machine's
  # /run). Keep both private.
  export TMPDIR=$work/tmp
  export SNAP_COMMON=$work/run
  mkdir -p "$TMPDIR" "$SNAP_COMMON" "$work/spool" "$work/out"
}

# stop_server: stops the application's server, if one runs.
stop_server() {
  stop_pid "$server_pid"
  server_pid=""
}

# app_cleanup: the scripts' exit trap: stops the servers (also a private
# CUPS scheduler), shows the application's errors and warnings when the
# script failed, and removes the work folder (kept when KEEP_WORK is set).
app_cleanup() {
  local rc=$?
  stop_cupsd
  stop_server
  if [ "$rc" -ne 0 ] && [ -f "$work/app.log" ]; then
    echo "--- the printer application's errors and warnings:" >&2
    grep -E '^[EW] ' "$work/app.log" | grep -v 'DNS-SD' | tail -n 40 >&2 || true
  fi
  [ -n "${KEEP_WORK:-}" ] || rm -rf "$work"
}

# start_app <port>: starts the server in the background on the port, with
# its spool, state, log and file: devices in the work folder and the
# script's app_options; its output goes to server.out there.
# shellcheck disable=SC2154  # app: the program, set by the script
start_app() {
  "$app" server -o listen-hostname=127.0.0.1 -o "server-port=$1" \
    -o "spool-directory=$work/spool" -o "state-file=$work/app.state" \
    -o "file-device-directory=$work/out" -o "log-file=$work/app.log" \
    "${app_options[@]}" >> "$work/server.out" 2>&1 &
  server_pid=$!
}

# start_app_server: starts the server on a free port and sets port and
# server; fails the script when it does not come up.
start_app_server() {
  start_on_free_port start_app port_open stop_server
  port=$free_port
  [ -n "$port" ] || { cat "$work/server.out" >&2; fail "the printer application did not start"; }
  server=ipp://127.0.0.1:$port
}

# printer_uri <printer>: the printer's IPP address on the server.
printer_uri() {
  echo "$server/ipp/print/$1"
}

# fail_on_sanitizer_reports <file...>: fails the script, showing the
# servers' output, when the files hold a sanitizer's report.
fail_on_sanitizer_reports() {
  if grep -q 'Sanitizer\|runtime error' "$@"; then
    cat "$work/server.out" >&2
    fail "the sanitizer reported errors in the printer application"
  fi
}
