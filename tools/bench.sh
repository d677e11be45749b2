#!/usr/bin/env bash
# Builds the benchmarks in Release, runs every one of them (under a private Xvfb server, since the
# start-up benchmark needs a GL window) and writes the table to docs/performance.md.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup-deps.sh test
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-bench -j"$(nproc)"

out=build-bench/results
mkdir -p "$out"
for exe in build-bench/bench/*_bench; do
  name=$(basename "$exe")
  echo "=== $name"
  (cd build-bench/pictures && xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "../../$exe" \
    --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_out="../../$out/$name.json" --benchmark_out_format=json)
done
python3 tools/bench_table.py "$out"/*.json >docs/performance.md
echo "wrote docs/performance.md"
