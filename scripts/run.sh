#!/usr/bin/env bash
# Installs what is missing, builds the release configuration and runs the
# program's main job. Until the application exists, that is a short run of
# the signal-graph benchmark, which computes blocks of a patch as the engine
# will.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

generator=()
if command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi
cmake -S . -B build/release "${generator[@]}" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j "$(nproc)"

build/release/bench/signal_bench --benchmark_min_time=0.2
