#!/bin/bash
# SPDX-License-Identifier: Apache-2.0
# Prints a real document through the filter, run directly, at every
# resolution of every given PPD (or at the resolutions named after it): CUPS's
# own filters turn the PDF into the raster they would send for that PPD and
# resolution, the filter turns the raster into printer data, and the virtual
# printer must strike exactly the raster's dots.
#
# With --grey the job asks for halftoned grey (RidevGreyShades=Halftoned):
# the raster must be eight-bit grey, and it is printed once per halftone
# pattern listed (each a RidevHalftone choice, passed to CUPS and to the
# filter as job options; "default" passes none, so the PPD's default choice
# applies). The printed dots must then be exactly the dither of the raster
# with that pattern, and the raster must hold shades between black and white.
#
# Usage: direct-raster.sh [--grey PATTERN[,PATTERN...]] <filter-executable>
#                         <e2e-compare> <document.pdf> <ppd>[=RES[,RES...]]...
#   RES  a Resolution choice of the PPD, e.g. 360x360dpi; each must be offered
set -euo pipefail

patterns=""
if [ "${1:-}" = --grey ]; then
  patterns=${2//,/ }
  shift 2
  [ -n "$patterns" ] || { echo "usage: --grey needs at least one pattern" >&2; exit 2; }
fi
filter=$1
compare=$2
doc=$3
shift 3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

status=0
fail() {
  echo "FAIL: $*" >&2
  status=1
}

# make_raster <ppd> <res> <raster> [grey]: the raster CUPS makes for the
# document at that resolution, in eight-bit grey when asked. The halftone
# pattern is the filter's own choice, so one grey raster serves them all.
make_raster() {
  local ppd=$1 res=$2 raster=$3 grey=${4:-}
  local cups_options=(-o "Resolution=$res")
  [ -z "$grey" ] || cups_options+=(-o RidevGreyShades=Halftoned)
  timeout 120 cupsfilter -p "$ppd" -m application/vnd.cups-raster "${cups_options[@]}" \
    "$doc" > "$raster" 2> "$raster.cupsfilter.log" || {
    cat "$raster.cupsfilter.log" >&2
    fail "$(basename "$raster"): cupsfilter could not make the raster"
    return 1
  }
}

# print_raster <ppd> <model> <res> <raster> <name> [<pattern>]: runs the
# filter on the raster and compares; a pattern means a grey job.
print_raster() {
  local ppd=$1 model=$2 res=$3 raster=$4 name=$5 pattern=${6:-}
  local options=("Resolution=$res") compare_args=(--model "$model")
  if [ -n "$pattern" ]; then
    options+=(RidevGreyShades=Halftoned)
    if [ "$pattern" = default ]; then
      pattern=$(sed -n 's/^\*DefaultRidevHalftone: *\([^ ]*\).*/\1/p' "$ppd")
    else
      options+=("RidevHalftone=$pattern")
    fi
    compare_args+=(--halftone "$pattern")
  fi

  echo "== $name ($model pins${pattern:+, halftone $pattern})"
  local rc=0
  PPD="$ppd" timeout 120 "$filter" 1 e2e "$name" 1 "${options[*]}" "$raster" \
    > "$work/$name.prn" 2> "$work/$name.filter.log" || rc=$?
  if [ "$rc" -ne 0 ]; then
    cat "$work/$name.filter.log" >&2
    fail "$name: the filter exited with status $rc"
    return
  fi
  local result
  rc=0
  result=$(timeout 120 "$compare" "${compare_args[@]}" "$raster" "$work/$name.prn" 2>&1) ||
    rc=$?
  echo "$result"
  if [ "$rc" -ne 0 ]; then
    fail "$name: the printed dots differ from the raster"
    return
  fi
  # A grey raster of only black and white would not show the dither at all.
  if [ -n "$pattern" ] && ! grep -Eq ' ([3-9]|[1-9][0-9]+) grey levels' <<< "$result"; then
    fail "$name: the raster holds no shade between black and white"
  fi
  rm -f "$work/$name.prn"
}

for arg in "$@"; do
  ppd=${arg%%=*}
  model=$(sed -n 's/^\*cupsModelNumber: *\([0-9]*\).*/\1/p' "$ppd")
  offered=$(sed -n 's/^\*Resolution \([^/:]*\).*/\1/p' "$ppd" | xargs)
  [ -n "$offered" ] || { fail "$ppd offers no resolution"; continue; }
  resolutions=$offered
  if [ "$arg" != "$ppd" ]; then
    resolutions=${arg#*=}
    resolutions=${resolutions//,/ }
  fi
  for res in $resolutions; do
    if [[ " $offered " != *" $res "* ]]; then
      fail "$ppd does not offer the resolution $res (it offers $offered)"
      continue
    fi
    name="$(basename "$ppd" .ppd)-$res"
    raster="$work/$name.ras"
    if [ -z "$patterns" ]; then
      make_raster "$ppd" "$res" "$raster" && print_raster "$ppd" "$model" "$res" "$raster" "$name"
    elif make_raster "$ppd" "$res" "$raster" grey; then
      for pattern in $patterns; do
        print_raster "$ppd" "$model" "$res" "$raster" "$name-grey-$pattern" "$pattern"
      done
    fi
    rm -f "$raster"
  done
done
exit $status
