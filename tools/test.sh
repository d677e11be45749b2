#!/usr/bin/env bash
# Sets up, builds and runs every test headless:
#   1. the normal build (warnings as errors), all tests under a private Xvfb server;
#   2. an AddressSanitizer + UndefinedBehaviorSanitizer build, tests that need no real GL;
#   3. a clang libFuzzer build, each fuzz target for a bounded time;
#   4. the Windows build (tools/windows.sh): cross-built with MinGW-w64, its tests under Wine.
# Ends with one line "Total: N passed, M failed" and exits non-zero if anything failed.
set -uo pipefail
cd "$(dirname "$0")/.."
tools/setup-deps.sh test || exit 1

jobs=$(nproc)
passed=0
failed=0
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# Adds a stage's ctest counts to the totals; a stage that did not reach ctest counts as one failure.
tally() {
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$line" ]; then
    echo "!! stage '$1' ran no tests"
    failed=$((failed + 1))
    return
  fi
  local f n
  f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  n=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
  passed=$((passed + n - f))
  failed=$((failed + f))
}

stage() {  # stage NAME BUILD_DIR CTEST_ARGS... -- CMAKE_ARGS...
  local name=$1 dir=$2
  shift 2
  local ctest_args=() cmake_args=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do ctest_args+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  cmake_args=("$@")
  echo "=== $name"
  : >"$log"
  mkdir -p "$dir"
  if ! cmake -S . -B "$dir" -DFARLIGHT_WERROR=ON "${cmake_args[@]}" >"$dir/configure.log" 2>&1; then
    cat "$dir/configure.log"; echo "!! stage '$name': configure failed"; failed=$((failed + 1)); return
  fi
  if ! cmake --build "$dir" -j"$jobs" >"$dir/build.log" 2>&1; then
    tail -n 60 "$dir/build.log"; echo "!! stage '$name': build failed"; failed=$((failed + 1)); return
  fi
  xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
    ctest --test-dir "$dir" --output-on-failure "${ctest_args[@]}" 2>&1 | tee "$log"
  tally "$name"
}


stage "build and all tests" build -- -DCMAKE_BUILD_TYPE=RelWithDebInfo
stage "sanitizers (ASan + UBSan)" build-asan -L unit -- \
  -DCMAKE_BUILD_TYPE=Debug -DFARLIGHT_SANITIZE=ON -DFARLIGHT_BENCH=OFF
stage "fuzzing (bounded)" build-fuzz -- \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFARLIGHT_FUZZ=ON \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang
echo "=== Windows (MinGW-w64 cross build, tests under Wine)"
: >"$log"
tools/windows.sh 2>&1 | tee "$log"
tally "Windows"

echo
echo "Total: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
