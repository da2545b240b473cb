#!/usr/bin/env bash
# The whole test suite, from a clean clone: installs what is missing, then builds and tests every
# configuration. Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
jobs=$(nproc)

stage() { printf '\n==== %s ====\n' "$*"; }

stage "Linux build and tests"
cmake --preset linux
cmake --build --preset linux -j "$jobs"
ctest --preset linux

stage "AddressSanitizer + UndefinedBehaviorSanitizer build and tests"
cmake --preset asan
cmake --build --preset asan -j "$jobs"
ctest --preset asan
