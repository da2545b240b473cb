#!/usr/bin/env bash
# Builds the launcher with the demo catalogue for this machine's JDK and runs its main job:
# `launcher tarn` (or the application named as the first argument) in the demo folder, where the
# JVM is started in-process, the Java demo calls the three native methods and exits.
set -euo pipefail
cd "$(dirname "$0")/.."
app=${1:-tarn}

bash tools/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$(nproc)" --target launcher_demo

cd build/linux/demo
echo "---- ./launcher $app (in $(pwd))"
./launcher "$app"
