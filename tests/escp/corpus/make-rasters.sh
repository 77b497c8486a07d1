#!/bin/bash
# SPDX-License-Identifier: Apache-2.0
# Rebuilds the raster corpus of the encoder's byte-identity test from the
# sample documents in examples/: every resolution of the three PPDs, one-bit
# black (cupsColorSpace 3) and eight-bit luminance (cupsColorSpace 18, as the
# PPDs' Halftoned Grey choice asks), compressed with xz. Only needed when the
# documents change; the recorded page bodies (bodies.txt) then have to be
# recorded again with the encoder that is known to be right:
#   RIDEV_RECORD_CORPUS=1 build/tests/escp/escp_corpus_tests
set -euo pipefail
cd "$(dirname "$0")"
EXAMPLES=../../../examples
for res in 360x360 360x180 180x180 120x180 160x144 160x72 80x72; do
  for doc in sample grey; do
    gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=cups -r"$res" -dcupsColorSpace=3 \
      -dcupsBitsPerColor=1 -sOutputFile="$doc-$res-k1.ras" "$EXAMPLES/$doc.pdf" 2>/dev/null
    gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=cups -r"$res" -dcupsColorSpace=18 \
      -dcupsBitsPerColor=8 -sOutputFile="$doc-$res-sw8.ras" "$EXAMPLES/$doc.pdf" 2>/dev/null
    xz -9 -f "$doc-$res-k1.ras" "$doc-$res-sw8.ras"
  done
done
