#!/usr/bin/env python3
"""Times the renderer side by side with the frame-traffic floors.

Runs, alternately and each on an empty buffer/, the headless renderer and the
two floors (plain truncate-and-write, in-place overwrite) on the 1080p workload,
then prints median wall times, their ratios and peak memory. Ratios measured in
the same run are what to quote: the machine is shared and noisy.

    benchmarks/run_workload.py --build build [--runs 5] [--width 1920 --height 1080 --frames 240]
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_workload  # noqa: E402


def run(measure, cmd):
    """Wall time in seconds and peak resident memory in bytes of one run."""
    proc = subprocess.run([measure] + cmd, capture_output=True, text=True)
    if proc.returncode != 0:
        sys.exit(f"{cmd[0]} failed: {proc.stderr.strip()}")
    seconds, peak = proc.stdout.split()
    return float(seconds), int(peak)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default="build")
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--width", type=int, default=1920)
    ap.add_argument("--height", type=int, default=1080)
    ap.add_argument("--frames", type=int, default=240)
    ap.add_argument("--work", default=None, help="folder for the workload (default: a temporary one)")
    args = ap.parse_args()

    renderer = os.path.abspath(os.path.join(args.build, "wiper-render"))
    floor = os.path.abspath(os.path.join(args.build, "benchmarks", "frame_traffic_floor"))
    measure = os.path.abspath(os.path.join(args.build, "benchmarks", "measure"))
    for exe in (renderer, floor, measure):
        if not os.access(exe, os.X_OK):
            sys.exit(f"missing {exe}: build with -DWIPER_BUILD_BENCHMARKS=ON")

    work = args.work or tempfile.mkdtemp(prefix="wiper-bench-", dir=os.path.dirname(os.path.abspath(__file__)))
    os.makedirs(work, exist_ok=True)
    make_workload.write_workload(work, args.width, args.height, args.frames)
    parts = len([n for n in os.listdir(work) if n.lower().startswith("coordinate")])
    buffer = os.path.join(work, "buffer")
    size = (args.width * 3 + 3) // 4 * 4 * args.height + 54

    programs = {
        "wiper-render --headless": [renderer, "--headless", work],
        "floor: plain": [floor, "plain", work, str(args.width), str(args.height), str(args.frames), str(parts)],
        "floor: in-place": [floor, "in-place", work, str(args.width), str(args.height), str(args.frames), str(parts)],
    }
    times = {name: [] for name in programs}
    peaks = {name: 0 for name in programs}
    try:
        for _ in range(args.runs):
            for name, cmd in programs.items():
                shutil.rmtree(buffer, ignore_errors=True)
                os.mkdir(buffer)
                os.sync()  # start every run with no write-back of the one before pending
                elapsed, peak = run(measure, cmd)
                times[name].append(elapsed)
                peaks[name] = max(peaks[name], peak)
    finally:
        if not args.work:
            shutil.rmtree(work, ignore_errors=True)

    med = {name: statistics.median(t) for name, t in times.items()}
    base = med["floor: in-place"]
    budget = 2.5 * size + 20e6
    print(f"workload: {args.width}x{args.height}, {parts} parts x {args.frames} frames, "
          f"frame file {size / 1e6:.1f} MB, {args.runs} alternated runs")
    print(f"{'program':26} {'median s':>9} {'x in-place':>11} {'peak MB':>8}")
    for name in programs:
        print(f"{name:26} {med[name]:9.3f} {med[name] / base:11.2f} {peaks[name] / 1e6:8.1f}")
    print(f"peak memory budget (2.5 frames + 20 MB): {budget / 1e6:.1f} MB; "
          f"renderer uses {peaks['wiper-render --headless'] / budget:.2f} of it")


if __name__ == "__main__":
    main()
