#!/usr/bin/env bash
# Sets up, builds and runs every test headless:
#   1. the normal build (warnings as errors), all tests, each window test on an Xvfb of its own;
#   2. an AddressSanitizer + UndefinedBehaviorSanitizer build, tests that need no real GL, each on
#      its own and each program whole, shuffled and repeated (label whole);
#   3. a clang libFuzzer build, each fuzz target for a bounded time;
#   4. the Windows build (tools/windows.sh): cross-built with MinGW-w64, its tests under Wine;
#   5. the browser build (tools/web.sh): built with emscripten, played in Chromium, Firefox and WebKit.
# Ends with one line "Total: N passed, M failed" and exits non-zero if anything failed.
set -uo pipefail
cd "$(dirname "$0")/.."
tools/setup-deps.sh test windows web || exit 1

jobs=$(nproc)
passed=0
failed=0

# Adds the results that ctest wrote to FILE (JUnit) to the totals. A test that ctest could not run
# (its program missing, say) fails; one skipped on purpose or disabled counts neither way. A stage
# without results, or without a single test, counts as one failure.
tally() {  # tally STAGE_NAME FILE
  local counts
  if ! counts=$(python3 - "$2" 2>/dev/null <<'PY'
import sys
import xml.etree.ElementTree as ET

passed = failed = 0
for case in ET.parse(sys.argv[1]).getroot().iter("testcase"):
    skipped = case.find("skipped")
    on_purpose = skipped is not None and skipped.get("message", "").startswith("SKIP_")
    if case.get("status") == "run":
        passed += 1
    elif case.get("status") == "fail" or (case.get("status") == "notrun" and not on_purpose):
        failed += 1
print(passed, failed)
PY
  ) || [ "$counts" = "0 0" ]; then
    echo "!! stage '$1' ran no tests"
    failed=$((failed + 1))
    return
  fi
  echo "== $1: ${counts% *} passed, ${counts#* } failed"
  passed=$((passed + ${counts% *}))
  failed=$((failed + ${counts#* }))
}

stage() {  # stage NAME BUILD_DIR CTEST_ARGS... -- CMAKE_ARGS...
  local name=$1 dir=$2
  shift 2
  local ctest_args=() cmake_args=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do ctest_args+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  cmake_args=("$@")
  echo "=== $name"
  mkdir -p "$dir"
  rm -f "$dir/junit.xml"
  if ! cmake -S . -B "$dir" -DFARLIGHT_WERROR=ON "${cmake_args[@]}" >"$dir/configure.log" 2>&1; then
    cat "$dir/configure.log"; echo "!! stage '$name': configure failed"; failed=$((failed + 1)); return
  fi
  if ! cmake --build "$dir" -j"$jobs" >"$dir/build.log" 2>&1; then
    tail -n 60 "$dir/build.log"; echo "!! stage '$name': build failed"; failed=$((failed + 1)); return
  fi
  # No display here: every test that needs one starts an X server of its own.
  env -u DISPLAY -u WAYLAND_DISPLAY ctest --test-dir "$dir" --output-on-failure \
    --output-junit "$PWD/$dir/junit.xml" "${ctest_args[@]}"
  tally "$name" "$dir/junit.xml"
}


# Two at a time: the window tests each have an X server of their own, so they may overlap.
# The unit programs run whole once, in the sanitizer stage.
stage "build and all tests" build -j"$jobs" -LE '^whole$' -- -DCMAKE_BUILD_TYPE=RelWithDebInfo
stage "sanitizers (ASan + UBSan)" build-asan -j"$jobs" -L '^(unit|whole)$' -- \
  -DCMAKE_BUILD_TYPE=Debug -DFARLIGHT_SANITIZE=ON -DFARLIGHT_BENCH=OFF
stage "fuzzing (bounded)" build-fuzz -- \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFARLIGHT_FUZZ=ON \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang
echo "=== Windows (MinGW-w64 cross build, tests under Wine)"
rm -f build-windows/junit.xml
tools/windows.sh
tally "Windows (MinGW-w64, Wine)" build-windows/junit.xml
echo "=== Web (emscripten build, tests in Chromium, Firefox and WebKit)"
rm -f build-web/junit.xml
tools/web.sh
tally "Web (emscripten; Chromium, Firefox, WebKit)" build-web/junit.xml

echo
echo "Total: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
