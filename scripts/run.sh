#!/usr/bin/env bash
# Installs what is missing, builds the release configuration and runs the
# program's main job. Until the application exists, that is rendering an
# example document to a WAV file with the command-line tool.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

generator=()
if command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi
cmake -S . -B build/release "${generator[@]}" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j "$(nproc)"

out=build/tone.wav
build/release/tools/cli/ondrafel-cli render examples/tone.odh -o "$out" --bars 2
echo "run: rendered examples/tone.odh (a 440 Hz tone) to $(pwd)/$out"
