#!/usr/bin/env bash
# Installs what is missing, builds the release configuration (everything),
# the sanitizer configuration (the core and its tests, with
# AddressSanitizer and UndefinedBehaviorSanitizer) and the thread
# configuration (the core without the document, with ThreadSanitizer)
# and the fuzz configuration (clang: the core and the fuzz targets of the
# readers), runs every test in the first two, the tests of what crosses
# threads (framework, streams and engine) in the third, and each fuzz target
# for a fixed number of inputs from its seed corpus (one pass per target).
# Ends with one summary line over all runs.
set -uo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh || exit 1

jobs=$(nproc)
werror=OFF
if [ -n "${CI:-}" ]; then werror=ON; fi
generator=()
if command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi

build() { # dir, cmake options...
  local dir=$1; shift
  cmake -S . -B "$dir" "${generator[@]}" -DONDRAFEL_WERROR=$werror "$@" >/dev/null &&
    cmake --build "$dir" -j "$jobs"
}

build build/release -DCMAKE_BUILD_TYPE=Release || { echo "tests: build of build/release failed"; exit 1; }
build build/sanitize -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
  -DONDRAFEL_SANITIZE=address -DONDRAFEL_GUI=OFF -DONDRAFEL_BENCH=OFF ||
  { echo "tests: build of build/sanitize failed"; exit 1; }
build build/thread -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
  -DONDRAFEL_SANITIZE=thread -DONDRAFEL_FOLDERS="signal;platform;host;framework;contraptions" \
  -DONDRAFEL_GUI=OFF \
  -DONDRAFEL_BENCH=OFF ||
  { echo "tests: build of build/thread failed"; exit 1; }
# Warnings are the gcc builds' business; clang may word them differently.
build build/fuzz -DCMAKE_CXX_COMPILER=clang++-14 -DONDRAFEL_FUZZ=ON -DONDRAFEL_WERROR=OFF \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" ||
  { echo "tests: build of build/fuzz failed"; exit 1; }

export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1}

passed=0
failed=0
status=0
for dir in build/release build/sanitize build/thread; do
  echo "== ctest in $dir =="
  select=()
  if [ "$dir" = build/thread ]; then select=(-L 'framework|host|platform'); fi
  log=$(mktemp)
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" "${select[@]}" 2>&1 | tee "$log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$line" ]; then
    status=1
  else
    f=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
    t=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
    passed=$((passed + t - f))
    failed=$((failed + f))
  fi
  rm -f "$log"
done
for target in document_reader_fuzz property_list_fuzz; do
  echo "== fuzz $target =="
  # New inputs go to a scratch folder; the committed corpus is only read.
  scratch=$(mktemp -d)
  log=$(mktemp)
  # Run inside the scratch folder: whatever a fuzzed document makes stays there.
  root=$(pwd)
  if (cd "$scratch" && mkdir -p new && "$root/build/fuzz/fuzz/$target" -runs=20000 -seed=1 \
      -max_len=8192 new "$root/fuzz/corpus/${target%_fuzz}") >"$log" 2>&1; then
    tail -n 1 "$log"
    passed=$((passed + 1))
  else
    tail -n 60 "$log"
    failed=$((failed + 1))
    status=1
  fi
  rm -rf "$scratch" "$log"
done

echo "tests: $passed passed, $failed failed"
exit $status
