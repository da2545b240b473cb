#!/usr/bin/env bash
# Fails where a tracked C or C++ source differs from what clang-format makes of it under the
# repository's .clang-format, naming each place. `tools/check-format.sh --fix` rewrites them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=(--dry-run -Werror)
if [ "${1:-}" = --fix ]; then
  mode=(-i)
fi
git ls-files -z '*.c' '*.cpp' '*.h' | xargs -0 clang-format "${mode[@]}"
