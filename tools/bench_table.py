#!/usr/bin/env python3
"""Turns Google Benchmark JSON files into docs/performance.md.

Every program ran once with its rows randomly interleaved over repetitions; a row shows the median
of its repetitions, and a ratio compares two rows of the same run on CPU time."""
import json
import platform
import statistics
import sys


def fmt_time(ns):
    for unit, scale in (("s", 1e9), ("ms", 1e6), ("us", 1e3)):
        if ns >= scale:
            return f"{ns / scale:.3g} {unit}"
    return f"{ns:.3g} ns"


# (row, the row it is compared with, the target as a factor of that row's time)
RATIOS = [
    # No target: the ratio swings with the CPU (8.31x where it was first measured, under 4x on
    # the machines since), and a frame's cost is Mesa's (see "Where a frame's CPU time goes").
    ("BM_DrawFrame", "BM_DrawFrameReference", "no target: the same calls, the sines from tables"),
    ("BM_Reader24Bit", "BM_StbImage24Bit", "at least 5x faster"),
    ("BM_Reader24Bit", "BM_MemcpyFloor24Bit", "within 1.5x of a copy into a reused block"),
    ("BM_Reader8Bit", "BM_StbImage8Bit", "at least 3x faster"),
    ("BM_PickPass/from_client_arrays", "BM_PickPass/vertex_by_vertex_comparison",
     "no slower; keeps nothing per click (rss_growth_KiB_per_click)"),
    # The reader's rows against its other comparison rows (bench/dib_bench.cpp).
    ("BM_Reader24Bit", "BM_StbImage24BitTopDown", "faster than stb_image without its row flip"),
    ("BM_Reader24Bit", "BM_MemcpyFreshPages24Bit", "no target: a copy into fresh pages"),
    ("BM_Reader24BitFromFile", "BM_MemcpyFreshPages24Bit", "no target: from a file, fresh pages"),
    # Start-up (bench/startup_bench.cpp): wall times by the game's clock, the bare window the
    # floor of the stack.
    ("BM_GameToFirstSwap/pictures:1/warm_cache:1", "BM_BareWindowToFirstSwap",
     "goal: within 1.5x of the bare window"),
    ("BM_GameToFirstSwap/pictures:0/warm_cache:1", "BM_BareWindowToFirstSwap",
     "no target: the game without its pictures"),
    ("BM_GameToFirstSwap/pictures:1/warm_cache:1", "BM_BaselineToFirstSwap/pictures:1/warm_cache:1",
     "at least 1/0.7 = 1.43x as fast as the baseline (tools/bench.sh --baseline COMMIT)"),
    ("BM_ReadFieldPictures/once_per_file:1", "BM_ReadFieldPictures/once_per_file:0",
     "no target: each file read once, as the game does, against once for each body"),
    # Upload layouts (bench/limits_bench.cpp): the game's against the picture as read.
    ("BM_UploadPicture/rgba_4_bytes", "BM_UploadPicture/rgb_3_bytes_comparison",
     "no slower, else upload the faster layout"),
]

# Frames until the slowest body reaches the viewer: it starts 30 units away at 1 unit a frame.
FRAMES_TO_PASS = 30

SKIP = {"name", "run_name", "run_type", "repetitions", "threads", "aggregate_name", "real_time",
        "cpu_time", "time_unit", "iterations", "family_index", "per_family_instance_index",
        "repetition_index", "aggregate_unit", "label", "error_occurred", "error_message"}


def ns(b, key):
    return b[key] * {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[b.get("time_unit", "ns")]


def manual(b):
    # Timed by the game's own clock readings: this process's CPU time says nothing about it.
    return b["run_name"].endswith("/manual_time")


def short(name):
    return name.split("/iterations:")[0].removesuffix("/manual_time")


def print_rows(data, medians, counters):
    print("| benchmark | what it measures | time (median) | CPU (median) | counters |")
    print("|---|---|---|---|---|")
    for b in data.get("benchmarks", []):
        if b.get("aggregate_name") != "median":
            continue
        name = short(b["run_name"])
        medians[name] = ns(b, "real_time" if manual(b) else "cpu_time")
        counters[name] = {k: v for k, v in b.items() if k not in SKIP and isinstance(v, (int, float))}
        shown = ", ".join(
            f"{k} {v / 1e6:.4g} M/s" if k in ("bytes_per_second", "items_per_second")
            else f"{k} {v:.4g}" for k, v in counters[name].items())
        cpu = "n/a" if manual(b) else fmt_time(ns(b, "cpu_time"))
        print(f"| {name} | {b.get('label', '')} | {fmt_time(ns(b, 'real_time'))} | {cpu} | {shown} |")
    print()


def repetitions(datas):
    """Times of each row's single repetitions (CPU, or the game's wall clock for rows it timed),
    in the order they were numbered."""
    reps = {}
    for data in datas:
        for b in data.get("benchmarks", []):
            if b.get("run_type") == "iteration":
                time = ns(b, "real_time" if manual(b) else "cpu_time")
                reps.setdefault(short(b["run_name"]), []).append(time)
    return reps


def print_ratios(medians, reps):
    rows = [(a, b, goal) for a, b, goal in RATIOS if a in medians and b in medians]
    if not rows:
        return
    print("## Against the comparison rows\n")
    print("Ratios of median CPU times from the same run (wall times for the start-up rows, which the")
    print("game's own clock times); the range is that of the ratios of the repetitions taken pairwise")
    print("(repetition k of one row against repetition k of the other).\n")
    print("| row | compared with | ratio of times | range over repetitions | target |")
    print("|---|---|---|---|---|")
    for a, b, goal in rows:
        ratio = medians[b] / medians[a]
        # A row slower than its comparison reads as how many times as long it takes.
        pairs = [y / x if ratio >= 1 else x / y
                 for x, y in zip(reps.get(a, []), reps.get(b, [])) if x > 0 and y > 0]
        spread = f"{min(pairs):.2f}x to {max(pairs):.2f}x" if pairs else ""
        shown = f"{ratio:.2f}x as fast" if ratio >= 1 else f"takes {1 / ratio:.2f}x as long"
        print(f"| {a} | {b} | {shown} | {spread} | {goal} |")
    print()


def print_frame_shares(medians, counters):
    game = counters.get("BM_GameFrame", {})
    if "BM_DrawFrame" not in medians or "game_cpu_us_per_frame" not in game:
        return
    own = medians["BM_DrawFrame"] / 1e3
    total = game["game_cpu_us_per_frame"]
    server = game.get("xserver_cpu_us_per_frame")
    print("## Where a frame's CPU time goes\n")
    print("One frame of the thirty spheres in view at 1024 x 768 on Mesa's software renderer under")
    print("Xvfb: the game's CPU time per frame (BM_GameFrame, its own threads and Mesa's), Farlight's")
    print("share of it from the frame against a GL that does nothing (BM_DrawFrame), the rest Mesa's;")
    print("the X server's CPU time over the same frames beside it.\n")
    print("| part | CPU per frame | share |")
    print("|---|---|---|")
    whole = total + (server or 0)
    parts = [("Farlight (the frame's own code)", own), ("Mesa (transform, rasterise, swap)", total - own)]
    if server is not None:
        parts.append(("the X server (Xvfb putting the frame on its screen)", server))
    for part, us in parts:
        print(f"| {part} | {us:.0f} us | {100 * us / whole:.0f}% |")
    print()


def print_field_pass(frame_wall_ns):
    if frame_wall_ns is None:
        return
    print(f"At that frame rate ({fmt_time(frame_wall_ns)} a frame, median) the field passes the")
    print(f"viewer in {FRAMES_TO_PASS} frames: {fmt_time(FRAMES_TO_PASS * frame_wall_ns)}.\n")


def load_line(path):
    """What tools/bench.sh measured of other processes while this program ran."""
    try:
        with open(path.removesuffix(".json") + ".load.json") as f:
            load = json.load(f)
    except (OSError, ValueError):
        return "Load while it ran: not measured."
    return (f"While it ran ({load['seconds']:.0f} s), other processes kept "
            f"{max(load['other_cpus'], 0):.2f} CPUs busy on average, the hypervisor stole "
            f"{load['steal_cpus']:.2f} (the benchmark, the games it started and its X server "
            f"left out).")


def main(paths):
    medians, counters, datas = {}, {}, []
    frame_wall_ns = None
    print("# Performance\n")
    print("Made by `tools/bench.sh` (Release build). Each program runs once, its rows randomly")
    print("interleaved over 10 repetitions (the starts of a program from exec to its first frame over")
    print("30, which swing more); the tables show medians. Comparison rows (the")
    print("straightforward sphere, stb_image, a plain memcpy) stand beside the rows they measure, and")
    print("ratios are taken on CPU time within one run. The start-up rows time the shipped game from")
    print("exec to its first completed swap by the game's own clock; their CPU column is n/a and the")
    print("game's CPU time is the counter game_cpu_ms. Each start finds Mesa's shader cache as its row")
    print("says, in a folder of the benchmark's own: warm (the shaders of an earlier start, as any")
    print("start but a player's first finds them) or empty (that first start, some 100 ms of")
    print("compiling more); and the X server, started for the run, does not reset between games.")
    print("Beside them, a bare freeglut window of the game's size and mode that clears and swaps")
    print("(BM_BareWindowToFirstSwap) is the floor of this stack.\n")
    print("The game converts each picture to four bytes a pixel before it uploads it, the layout")
    print("Mesa keeps, which then copies the rows where it would otherwise convert them pixel by")
    print("pixel (BM_UploadPicture).\n")
    for path in paths:
        with open(path) as f:
            data = json.load(f)
        datas.append(data)
        ctx = data.get("context", {})
        print(f"## {path.rsplit('/', 1)[-1].removesuffix('.json')}\n")
        print(f"Machine: {ctx.get('num_cpus', '?')} CPUs at {ctx.get('mhz_per_cpu', '?')} MHz, "
              f"{platform.system()} {platform.release()}; run {ctx.get('date', '?')}. "
              f"{load_line(path)}\n")
        print_rows(data, medians, counters)
        for b in data.get("benchmarks", []):
            if b.get("aggregate_name") == "median" and short(b["run_name"]) == "BM_GameFrame":
                frame_wall_ns = ns(b, "real_time")
    print_ratios(medians, repetitions(datas))
    print_frame_shares(medians, counters)
    print_field_pass(frame_wall_ns)


if __name__ == "__main__":
    main(sys.argv[1:])
