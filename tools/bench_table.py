#!/usr/bin/env python3
"""Turns Google Benchmark JSON files into the Markdown table of docs/performance.md (medians)."""
import json
import platform
import sys


def fmt_time(ns):
    for unit, scale in (("s", 1e9), ("ms", 1e6), ("us", 1e3)):
        if ns >= scale:
            return f"{ns / scale:.3g} {unit}"
    return f"{ns:.3g} ns"


# (row, the row it is compared with, the target as a factor of that row's time)
RATIOS = [
    ("BM_DrawFrame", "BM_DrawFrameReference", "at least 8x cheaper"),
    ("BM_Reader24Bit", "BM_StbImage24Bit", "at least 5x faster"),
    ("BM_Reader24Bit", "BM_MemcpyFloor24Bit", "within 1.5x of a copy into a reused block"),
    ("BM_Reader8Bit", "BM_StbImage8Bit", "at least 3x faster"),
    # The reader's rows against its other comparison rows (bench/dib_bench.cpp).
    ("BM_Reader24Bit", "BM_StbImage24BitTopDown", "faster than stb_image without its row flip"),
    ("BM_Reader24Bit", "BM_MemcpyFreshPages24Bit", "no target: a copy into fresh pages"),
    ("BM_Reader24BitFromFile", "BM_MemcpyFreshPages24Bit", "no target: from a file, fresh pages"),
]


def print_ratios(medians):
    rows = [(a, b, goal) for a, b, goal in RATIOS if a in medians and b in medians]
    if not rows:
        return
    print("## Against the comparison rows\n")
    print("| row | compared with | ratio of times | target |")
    print("|---|---|---|---|")
    for a, b, goal in rows:
        print(f"| {a} | {b} | {medians[b] / medians[a]:.2f}x as fast | {goal} |")
    print()


def main(paths):
    medians = {}
    print("# Performance\n")
    print("Made by `tools/bench.sh` (Release build, medians of 5 repetitions). Each comparison row")
    print("(the straightforward sphere, stb_image, a plain memcpy) stands beside the row it measures; the\nlast table puts each row against its comparison row and the target.\n")
    for path in paths:
        with open(path) as f:
            data = json.load(f)
        ctx = data.get("context", {})
        print(f"## {path.rsplit('/', 1)[-1].removesuffix('.json')}\n")
        print(f"Machine: {ctx.get('num_cpus', '?')} CPUs at {ctx.get('mhz_per_cpu', '?')} MHz, "
              f"{platform.system()} {platform.release()}; run {ctx.get('date', '?')}.\n")
        print("| benchmark | time (median) | CPU (median) | counters |")
        print("|---|---|---|---|")
        for b in data.get("benchmarks", []):
            if b.get("aggregate_name") != "median":
                continue
            name = b["run_name"]
            medians[name] = b["real_time"]
            scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[b.get("time_unit", "ns")]
            skip = {"name", "run_name", "run_type", "repetitions", "threads", "aggregate_name",
                    "real_time", "cpu_time", "time_unit", "iterations", "family_index",
                    "per_family_instance_index", "repetition_index", "aggregate_unit"}
            counters = ", ".join(
                f"{k} {v / 1e6:.4g} M/s" if k in ("bytes_per_second", "items_per_second")
                else f"{k} {v:.4g}" for k, v in b.items() if k not in skip and isinstance(v, (int, float)))
            print(f"| {name} | {fmt_time(b['real_time'] * scale)} | {fmt_time(b['cpu_time'] * scale)} "
                  f"| {counters} |")
        print()
    print_ratios(medians)


if __name__ == "__main__":
    main(sys.argv[1:])
