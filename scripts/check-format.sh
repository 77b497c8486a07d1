#!/bin/bash
# SPDX-License-Identifier: Apache-2.0
# Fails, listing what clang-format would change, when any C/C++ source that
# git tracks differs from the repository's .clang-format style.
#   bash scripts/check-format.sh
# Fix the files it names with: clang-format -i FILE...
set -euo pipefail

cd "$(dirname "$0")/.."
CLANG_FORMAT=${CLANG_FORMAT:-clang-format}

mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${#files[@]}" -eq 0 ]; then
  exit 0
fi
if ! "$CLANG_FORMAT" --dry-run -Werror "${files[@]}"; then
  echo "check-format: the files above are not formatted (clang-format -i FILE...)" >&2
  exit 1
fi
echo "check-format: ${#files[@]} files formatted"
