#!/usr/bin/env bash
# Installs what is missing, builds the release configuration and runs the
# program: on a desktop, the application with an example document, playing
# with the clock running; without a display, the command-line tool renders
# the example to a WAV file instead.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

generator=()
if command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi
cmake -S . -B build/release "${generator[@]}" -DCMAKE_BUILD_TYPE=Release >/dev/null
# Only what is about to run: the tests and benchmarks wait for the test
# command.
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then target=ondrafel; else target=ondrafel-cli; fi
cmake --build build/release -j "$(nproc)" --target "$target"

example=examples/stereo_scene.odh
if [ "$target" = ondrafel ]; then
  echo "run: starting Ondrafel with $example"
  exec build/release/app/ondrafel "$example" /STARTDACS /STARTCLOCK
fi
out=build/stereo_scene.wav
build/release/tools/cli/ondrafel-cli render "$example" -o "$out" --bars 4
echo "run: no display, so the example was rendered instead: $(pwd)/$out"
