#!/usr/bin/env bash
# Builds the benchmarks in Release and runs every one of them on a private Xvfb server (the game
# needs a display), then writes the tables to docs/performance.md. Each program runs once, its
# rows in random interleaving over repeated runs, so that a ratio compares rows of the same run.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup-deps.sh test
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-bench -j"$(nproc)" --target dib_bench sphere_bench startup_bench limits_bench

out=build-bench/results
mkdir -p "$out"

# Our own server, so that the start-up benchmark can read its CPU time (FARLIGHT_XSERVER_PID).
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$out/display" 2>"$out/xvfb.log" &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s "$out/display" ] && break; sleep 0.1; done
[ -s "$out/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(cat "$out/display")" FARLIGHT_XSERVER_PID="$xvfb"

for exe in build-bench/bench/*_bench; do
  name=$(basename "$exe")
  echo "=== $name"
  "$exe" --benchmark_repetitions=10 --benchmark_enable_random_interleaving=true \
    --benchmark_display_aggregates_only=true \
    --benchmark_out="$out/$name.json" --benchmark_out_format=json
done
python3 tools/bench_table.py "$out"/*.json >docs/performance.md
echo "wrote docs/performance.md"
