#!/bin/bash
# SPDX-License-Identifier: Apache-2.0
# Checks every generated PPD with cupstestppd against a server-binary folder
# that holds the built filter, so the filter line is checked too (warnings are
# shown, failures fail the test), and checks that each model offers exactly
# the resolutions its print head has, each as a one-bit black raster. It also
# checks the grey option RidevGreyShades: its default sends nothing, so a job
# stays a one-bit black raster, and its Halftoned choice asks for eight-bit
# grey (sW) after every option that sets the bit depth or colour space has
# run, so that its settings are the ones in force.
#
# Usage: cupstestppd.sh <filter-executable> <ppd>...
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
filter=$1
shift

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bash "$here/make-serverbin.sh" "$work/serverbin" "$filter"

# Resolutions (horizontal x vertical dpi) of each print head, sorted.
declare -A expected=(
  [9]="160x144 160x72 80x72"
  [18]="120x180 180x180 360x180 360x360"
  [24]="120x180 180x180 360x180 360x360"
)

status=0
fail() {
  echo "FAIL: $*" >&2
  status=1
}
# order_of <ppd> <option>: the option's OrderDependency number.
order_of() {
  sed -n "s/^\*OrderDependency: *\([0-9.]*\) AnySetup \*$2\$/\1/p" "$1"
}

# cupstestppd wants the filter owned by root, which only root can arrange:
# other users check the PPDs without the filter line.
ignore=()
if [ "$(id -u)" -ne 0 ]; then
  echo "note: not root, so the filter's owner and mode are not checked"
  ignore=(-I filters)
fi

for ppd in "$@"; do
  CUPS_SERVERBIN="$work/serverbin" cupstestppd "${ignore[@]}" -v "$ppd" ||
    fail "$ppd does not pass cupstestppd"

  model=$(sed -n 's/^\*cupsModelNumber: *\([0-9]*\).*/\1/p' "$ppd")
  if [ -z "$model" ] || [ -z "${expected[$model]:-}" ]; then
    fail "$ppd: model number '$model' is not 9, 18 or 24"
    continue
  fi
  found=$(sed -n 's/^\*Resolution [^:]*:.*HWResolution\[\([0-9]*\) \([0-9]*\)\].*/\1x\2/p' "$ppd" | LC_ALL=C sort | xargs)
  [ "$found" = "${expected[$model]}" ] ||
    fail "$ppd: resolutions '$found', expected '${expected[$model]}'"
  while IFS= read -r line; do
    case $line in
      *"/cupsBitsPerColor 1"*"/cupsColorSpace 3"*) ;;
      *) fail "$ppd: not a one-bit black raster: $line" ;;
    esac
  done < <(grep '^\*Resolution ' "$ppd")

  # The grey option: a black-and-white default with no code, and a grey
  # choice whose code comes after that of the resolution and colour model.
  default=$(sed -n 's/^\*DefaultRidevGreyShades: *\([^ ]*\).*/\1/p' "$ppd")
  [ "$default" = BlackWhite ] || fail "$ppd: RidevGreyShades default is '$default', not BlackWhite"
  grep -q '^\*RidevGreyShades BlackWhite/[^:]*: ""$' "$ppd" ||
    fail "$ppd: RidevGreyShades BlackWhite must send no code"
  grey=$(grep '^\*RidevGreyShades Halftoned/' "$ppd" || true)
  case $grey in
    *"/cupsBitsPerColor 8"*"/cupsColorSpace 18"*) ;;
    *) fail "$ppd: RidevGreyShades Halftoned does not ask for eight-bit sW: '$grey'" ;;
  esac
  grey_order=$(order_of "$ppd" RidevGreyShades)
  for option in Resolution ColorModel; do
    order=$(order_of "$ppd" "$option")
    if [ -z "$grey_order" ] || [ -z "$order" ] ||
      ! awk -v a="$grey_order" -v b="$order" 'BEGIN { exit !(a > b) }'; then
      fail "$ppd: RidevGreyShades (order '$grey_order') must come after $option (order '$order')"
    fi
  done
done
exit $status
