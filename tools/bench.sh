#!/usr/bin/env bash
# Builds the benchmarks in Release and runs each of them on a private Xvfb server (the game needs a
# display), then writes the tables to docs/performance.md. Each program runs once, its rows in
# random interleaving over repeated runs, so that a ratio compares rows of the same run. Beside each
# table goes the load that other processes put on the machine while it ran.
# Usage: tools/bench.sh [--baseline COMMIT]: with a commit, the game as it was there is built too
# (build-bench/baseline/) and the start-up benchmark times its start beside today's.
set -euo pipefail
export LC_ALL=C  # a decimal point in $EPOCHREALTIME
cd "$(dirname "$0")/.."
tools/setup-deps.sh test
benchmarks=(dib_bench limits_bench sphere_bench startup_bench)
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-bench -j"$(nproc)" --target "${benchmarks[@]}"
if [ "${1:-}" = --baseline ]; then
  rm -rf build-bench/baseline
  mkdir -p build-bench/baseline/src
  git archive "$2" | tar -x -C build-bench/baseline/src
  cmake -S build-bench/baseline/src -B build-bench/baseline -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_TESTING=OFF >/dev/null
  cmake --build build-bench/baseline -j"$(nproc)" --target farlight >/dev/null
  export FARLIGHT_BASELINE=$PWD/build-bench/baseline/app/farlight
fi

out=build-bench/results
rm -rf "$out"
mkdir -p "$out"

# Our own server, so that the start-up benchmark can read its CPU time (FARLIGHT_XSERVER_PID). It
# must not reset when its last client leaves: every game the start-up benchmark starts would
# otherwise wait for the reset of the one before.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$out/display" 2>"$out/xvfb.log" &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s "$out/display" ] && break; sleep 0.1; done
[ -s "$out/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(cat "$out/display")" FARLIGHT_XSERVER_PID="$xvfb"

# Clock ticks: all CPUs busy and stolen by the hypervisor (/proc/stat), then what this script's
# finished children (the benchmark and the games it ran) and the server used (/proc/PID/stat).
ticks() {
  echo "$(awk '/^cpu /{print $2 + $3 + $4 + $7 + $8, $9}' /proc/stat)" \
    "$(awk '{print $16 + $17}' "/proc/$$/stat")" "$(awk '{print $14 + $15}' "/proc/$xvfb/stat")"
}

results=()
for name in "${benchmarks[@]}"; do
  echo "=== $name"
  start=$EPOCHREALTIME before=$(ticks)
  "build-bench/bench/$name" --benchmark_repetitions=10 --benchmark_enable_random_interleaving=true \
    --benchmark_display_aggregates_only=true \
    --benchmark_out="$out/$name.json" --benchmark_out_format=json
  after=$(ticks)
  # Other processes' load: busy time beyond the benchmark's and the server's, in CPUs on average.
  echo "$before $after" | awk -v start="$start" -v end="$EPOCHREALTIME" -v hz="$(getconf CLK_TCK)" \
    '{ seconds = end - start
       printf "{\"seconds\": %.1f, \"other_cpus\": %.3f, \"steal_cpus\": %.3f}\n", seconds,
         (($5 - $1) - ($7 - $3) - ($8 - $4)) / hz / seconds, ($6 - $2) / hz / seconds }' \
    >"$out/$name.load.json"
  results+=("$out/$name.json")
done
# The browser build's section is measured apart (tools/web.sh figures): kept as it stands.
web=$(sed -n '/^## The browser build/,$p' docs/performance.md 2>/dev/null || true)
python3 tools/bench_table.py "${results[@]}" >docs/performance.md
[ -z "$web" ] || printf '\n%s\n' "$web" >>docs/performance.md
echo "wrote docs/performance.md"
