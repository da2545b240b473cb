#!/usr/bin/env bash
# The whole test suite, from a clean clone: installs what is missing, then builds and tests every
# configuration. Exits non-zero on the first failure.
#   Linux (native) build: unit tests, JVM tests, end-to-end runs, the demo
#   AddressSanitizer + UndefinedBehaviorSanitizer build: the same tests
#   32-bit Linux build (-m32): the same tests in 32-bit processes, against the 32-bit client JVM
#   64-bit Windows build: the tests again, run under wine64 (the stand-in JVM included)
#   32-bit Windows build (the shipped launcher.exe): the tests again under 32-bit wine, and the real
#     launcher.exe against a stand-in JVM
#   the configuration decoder under libFuzzer for a minute
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
jobs=$(nproc)

# Each stage's heading says how long the run has taken so far.
stage() { printf '\n==== %s (at %d s) ====\n' "$*" "$SECONDS"; }

# Runs one preset's tests and adds its counts to the totals printed at the end.
passed=0
failed=0
run_tests() {
  local log
  log=$(mktemp)
  ctest --preset "$1" | tee "$log"
  local total fails
  total=$(sed -n 's/.* tests failed out of \([0-9]*\)$/\1/p' "$log" | tail -n 1)
  fails=$(sed -n 's/.*, \([0-9]*\) tests failed out of .*/\1/p' "$log" | tail -n 1)
  rm -f "$log"
  passed=$((passed + ${total:-0} - ${fails:-0}))
  failed=$((failed + ${fails:-0}))
}

stage "Linux build and tests"
cmake --preset linux
cmake --build --preset linux -j "$jobs"
run_tests linux

stage "AddressSanitizer + UndefinedBehaviorSanitizer build and tests"
cmake --preset asan
cmake --build --preset asan -j "$jobs"
run_tests asan

stage "32-bit Linux build and tests, against the 32-bit client JVM"
cmake --preset linux-i686
cmake --build --preset linux-i686 -j "$jobs"
run_tests linux-i686

stage "64-bit Windows build, tests under wine64"
# Each Windows build starts its wine prefix once (target emulator_prefix) before any test runs.
cmake --preset mingw-x86_64
cmake --build --preset mingw-x86_64 -j "$jobs"
run_tests mingw-x86_64

stage "32-bit Windows build (launcher.exe), tests under 32-bit wine"
# cmake/wine32-run.sh makes its own wine prefix on first use; the build starts it once.
cmake --preset mingw-i686
cmake --build --preset mingw-i686 -j "$jobs"
run_tests mingw-i686

stage "Decoder under libFuzzer (60 s)"
bash tests/fuzz/run-fuzz.sh build/fuzz 60

stage "Summary"
echo "tests: $passed passed, $failed failed"
