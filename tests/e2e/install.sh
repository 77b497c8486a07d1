#!/bin/bash
# SPDX-License-Identifier: Apache-2.0
# Checks the install rules: installs the build tree into a staging folder with
# prefix /usr, as the Debian package does, and checks that the filter lands in
# CUPS's filter folder with mode 0755 (the scheduler refuses writable
# filters), the PPDs where the scheduler's driver lister looks, the preview
# tool and the printer application in bin, the manual pages, and the printer
# application's systemd unit, which must start the installed program.
#
# Usage: install.sh <cmake> <build-dir> <unit-dir> <drv>
#   unit-dir: the unit's folder as configured (relative: below /usr);
#   drv: true (ON, 1, ...) when the driver information file is installed
#   instead of the PPDs.
set -euo pipefail

cmake=$1
build=$2
unitdir=$3
drv=$4
case $unitdir in
/*) ;;
*) unitdir=/usr/$unitdir ;;
esac

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

DESTDIR="$stage" "$cmake" --install "$build" --prefix /usr > "$stage.log" 2>&1 || {
  cat "$stage.log" >&2
  rm -f "$stage.log"
  echo "FAIL: cmake --install failed" >&2
  exit 1
}
rm -f "$stage.log"

filterdir=$(cups-config --serverbin)/filter
status=0
check() { # check <path below the stage> <octal mode>
  local path=$stage$1
  if [ ! -f "$path" ]; then
    echo "FAIL: $1 is not installed" >&2
    status=1
  elif [ "$(stat -c %a "$path")" != "$2" ]; then
    echo "FAIL: $1 has mode $(stat -c %a "$path"), expected $2" >&2
    status=1
  else
    echo "ok: $1 ($2)"
  fi
}
check "$filterdir/ridevedudaruzo" 755
check /usr/bin/ridevedudaruzo-preview 755
check "$(cups-config --serverroot)/ridevedudaruzo/logging.conf" 644
check /usr/bin/ridevedudaruzo-printer-app 755
check /usr/share/man/man1/ridevedudaruzo-preview.1 644
check /usr/share/man/man8/ridevedudaruzo.8 644
check /usr/share/man/man8/ridevedudaruzo-printer-app.8 644
unit=$unitdir/ridevedudaruzo-printer-app.service
check "$unit" 644
if [ -f "$stage$unit" ] &&
  ! grep -qx 'ExecStart=/usr/bin/ridevedudaruzo-printer-app server .*' "$stage$unit"; then
  echo "FAIL: the systemd unit does not start the installed printer application" >&2
  status=1
fi
case ${drv^^} in
ON | 1 | TRUE | YES | Y)
  check /usr/share/cups/drv/ridevedudaruzo.drv 644
  ;;
*)
  for ppd in ridev9.ppd ridev18.ppd ridev24.ppd; do
    check "/usr/share/ppd/ridevedudaruzo/$ppd" 644
  done
  ;;
esac
exit $status
