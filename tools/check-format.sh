#!/usr/bin/env bash
# Fails where a tracked C or C++ source differs from what clang-format makes of it under the
# repository's .clang-format, naming each place. `tools/check-format.sh --fix` rewrites them instead.
#
# The sources are formatted with one formatter version, below: another version may lay the same
# code out otherwise, so only that one judges them, wherever the check runs. Debian carries it as
# clang-format-<major> (Debian 12 and 13 both, as tools/install-deps.sh installs it). Where it is
# missing, the check is not run: it prints "skipped: <reason>" and exits 77, never a verdict of
# another formatter. `--package` prints the Debian package that holds it.
set -euo pipefail
cd "$(dirname "$0")/.."
version=19.1.7
major=${version%%.*}

if [ "${1:-}" = --package ]; then
  echo "clang-format-$major"
  exit 0
fi
mode=(--dry-run -Werror)
if [ "${1:-}" = --fix ]; then
  mode=(-i)
fi

formatter=""
found=()
for candidate in "clang-format-$major" clang-format; do
  if command -v "$candidate" >/dev/null; then
    have=$("$candidate" --version | sed -nE 's/.*clang-format version ([0-9]+\.[0-9]+\.[0-9]+).*/\1/p')
    found+=("$candidate ${have:-of unknown version}")
    if [ "$have" = "$version" ]; then
      formatter=$candidate
      break
    fi
  fi
done
if [ -z "$formatter" ]; then
  if [ ${#found[@]} -eq 0 ]; then
    found=("none")
  fi
  echo "skipped: the sources are formatted with clang-format $version, which is not here (found:" \
       "$(IFS=,; echo "${found[*]}" | sed 's/,/, /g'); Debian: clang-format-$major)"
  exit 77
fi
git ls-files -z '*.c' '*.cpp' '*.h' | xargs -0 "$formatter" "${mode[@]}"
