#!/usr/bin/env bash
# The whole test suite, from a clean clone: installs what is missing, probes how this machine runs
# 32-bit programs, then runs every stage (the format check, each CMake workflow preset, the fuzzer)
# and prints a summary; exits non-zero iff a stage or a test failed. The stages, what runs where
# and how to read the summary: docs/testing.md.
#
# LAUNCHER_32BIT_EXECUTION=auto|native|emulated|none forces how 32-bit programs run (default: auto,
# the probe's answer); a forced answer this machine cannot give stops the script at once.
set -uo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh || exit 1
probe=$(sh cmake/probe-32bit-execution.sh) || exit 2
read -r linux32 windows32 <<<"$probe"
echo "32-bit programs here: Linux $linux32, Windows $windows32" \
     "(LAUNCHER_32BIT_EXECUTION=${LAUNCHER_32BIT_EXECUTION:-auto})"
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}

# Each stage's heading says how long the run has taken so far.
stage() { printf '\n==== %s (at %d s) ====\n' "$*" "$SECONDS"; }

results=()
run_workflow() {
  local preset=$1
  shift
  stage "$preset: $*"
  local junit="build/$preset/ctest-results.xml"
  rm -f "$junit"
  cmake --workflow --preset "$preset"
  local status=$?
  results+=("$preset=$status:$junit")
}

stage "format: the C and C++ sources against .clang-format"
# Status 77: the check could not be run here (its formatter is missing), with the reason.
format_output=$(bash tools/check-format.sh 2>&1)
format_status=$?
[ -z "$format_output" ] || printf '%s\n' "$format_output"
if [ $format_status -eq 77 ]; then
  results+=("format=skipped:${format_output#skipped: }")
else
  results+=("format=$format_status")
fi

run_workflow linux "native build and tests"
run_workflow asan "AddressSanitizer + UndefinedBehaviorSanitizer build and tests"
run_workflow linux-i686 "32-bit Linux build and tests ($linux32)"
run_workflow mingw-x86_64 "64-bit Windows build, tests under wine64"
run_workflow mingw-i686 "32-bit Windows build (launcher.exe), tests under 32-bit wine ($windows32)"

stage "fuzz: the decoder under libFuzzer (60 s)"
bash tests/fuzz/run-fuzz.sh build/fuzz 60
results+=("fuzz=$?")

stage "Summary (${SECONDS} s)"
python3 tools/test_summary.py "${results[@]}"
