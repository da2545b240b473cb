#!/usr/bin/env bash
# Fuzzes the configuration decoder with libFuzzer.
#
#   tests/fuzz/run-fuzz.sh BUILD_DIR [SECONDS]
#
# Configures BUILD_DIR with clang as a build of tests/fuzz alone, builds
# decoder_fuzz and runs it for SECONDS (default 60) on a copy of the seed
# corpus in BUILD_DIR/corpus, so that new inputs never land in the source tree.
# A crash leaves its input as BUILD_DIR/crash-*; exit status is non-zero then.
set -euo pipefail

if [[ $# -lt 1 || $# -gt 2 ]]; then
    echo "usage: $0 BUILD_DIR [SECONDS]" >&2
    exit 2
fi
build_dir=$1
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)

cmake -S "$here" -B "$build_dir" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLAUNCHER_FUZZ=ON
cmake --build "$build_dir" --target decoder_fuzz -j "$(nproc)"

mkdir -p "$build_dir/corpus"
cp "$here"/corpus/* "$build_dir/corpus/"
cd "$build_dir"
./decoder_fuzz -max_total_time="$seconds" -max_len=4096 -dict="$here/json.dict" \
    -print_final_stats=1 corpus
