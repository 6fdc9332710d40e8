#!/usr/bin/env python3
"""Times the renderer side by side with the write-once floor, and counts the
bytes each moves.

For each workload it runs, alternately, each on an empty buffer/ and with the
page cache flushed (sync) before every run: the headless renderer, a base build
to compare with (--base, e.g. the program before a change), and the write-once
floor (every frame file written once, whole, and nothing read: the least any
renderer of these frames must do); with --wiped also the renderer computing
the wiped field after its frames (--wiped) and alone (--wiped-only), against
the plain renderer; with --read-back-floors also the floors
that read every frame back and write it again (plain, in place). It prints
median wall times against the floor, the bytes read and written (rchar and
wchar of /proc/PID/io: the same on every run and every machine, so the figure
to judge by) against the floor's, and peak memory against its goal; then the
CPU time (user + system) of each contender, median over its runs. Ratios
measured in the same run are what to quote: the machine is shared and noisy.

It also measures the break-even of merging two changed spans of a frame file
into one write (the bytes between them that cost as much to write as one more
system call), at the workload's frame size.

Everything it writes goes into a temporary folder per workload, under
benchmarks/work/ (ignored by git) or --work, removed when the workload is done,
fails or is interrupted (Ctrl-C, SIGTERM).

    benchmarks/run_workload.py --build build [--base OTHER/wiper-render] [--runs 5] [--wiped]
                               [--workload 1080p 8k example scaling ...]
    benchmarks/run_workload.py --build build --width W --height H --frames N   # a workload of your own

Workloads: 1080p (1920 x 1080, 4 parts x 240 frames), 8k (7680 x 4320, 4 x 30),
example (examples/wiper, 753 x 394, 4 x 40) and scaling (753 x 394, 4 x 2400).
All but the example are make_workload.py's: two wipers (an arm and a blade
each), the glass with its border and two zones, which only --wiped and
--wiped-only read.
"""
import argparse
import os
import resource
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, here)
import make_workload  # noqa: E402

# name: (width, height, frames, frames of memory the peak may reach besides 20 MB); None: the bundled example
WORKLOADS = {
    "1080p": (1920, 1080, 240, 2.5),
    "8k": (7680, 4320, 30, 1.5),
    "example": None,
    "scaling": (753, 394, 2400, 2.5),
}


def run(cmd):
    """Runs `cmd` in a process group of its own, so that when this script is
    stopped (Ctrl-C, SIGTERM, a failure) nothing it started, grandchildren
    included, goes on writing in the workload's folder while it is removed."""
    proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, start_new_session=True)
    try:
        out, err = proc.communicate()
    except BaseException:
        os.killpg(proc.pid, signal.SIGKILL)
        proc.wait()
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            try:
                os.killpg(proc.pid, 0)
            except ProcessLookupError:
                break
            time.sleep(0.01)
        raise
    return subprocess.CompletedProcess(cmd, proc.returncode, out, err)


def measure(tool, cmd):
    """Wall seconds, peak resident bytes, bytes read and bytes written by one run,
    and its CPU seconds in user and in system mode."""
    # The launcher reaps the command and this script reaps the launcher, so the
    # growth of this script's children's usage is the command's CPU time (plus
    # the launcher's own fork and wait, the same small amount for every run).
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    proc = run([tool] + cmd)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    # 40: the wiped field found a zone short, which is an answer, not a failure.
    if proc.returncode != 0 and not (proc.returncode == 40 and any(a.startswith("--wiped") for a in cmd)):
        sys.exit(f"{cmd[0]} failed (status {proc.returncode}): {proc.stderr.strip()}")
    seconds, peak, read, written = proc.stdout.split()
    user, system = after.ru_utime - before.ru_utime, after.ru_stime - before.ru_stime
    return float(seconds), int(peak), int(read), int(written), user, system


def prepare(work, name, custom):
    """Writes the workload into `work`; returns width, height, frames, parts and its memory goal in frames."""
    if name == "example":
        shutil.copytree(os.path.join(here, "..", "examples", "wiper"), work, dirs_exist_ok=True)
        with open(os.path.join(work, "immagini.txt")) as f:
            _, width, height = f.read().split(",")[:3]
        parts = sorted(n for n in os.listdir(work) if n.lower().startswith("coordinate"))
        frames = max(int(open(os.path.join(work, p)).read().split(",")[0]) for p in parts)
        return int(width), int(height), frames, len(parts), 2.5
    width, height, frames, goal = custom if name == "custom" else WORKLOADS[name]
    make_workload.write_workload(work, width, height, frames)
    parts = len([n for n in os.listdir(work) if n.lower().startswith("coordinate")])
    return width, height, frames, parts, goal


def break_even(floor, work, width, height):
    """Bytes, ns a call and ns a byte; the floor writes its frame file in a folder of its own inside `work`."""
    proc = run([floor, "break-even", work, str(width), str(height)])
    if proc.returncode != 0:
        sys.exit(f"break-even failed (status {proc.returncode}): {proc.stderr.strip()}")
    out = proc.stdout.split()
    return float(out[0]), float(out[1]), float(out[2])


def run_workload(name, args, tools, custom):
    renderer, base, floor, tool = tools
    parent = args.work or os.path.join(here, "work")
    os.makedirs(parent, exist_ok=True)
    work = tempfile.mkdtemp(prefix=f"wiper-bench-{name}-", dir=parent)
    try:
        width, height, frames, parts, goal_frames = prepare(work, name, custom)
        buffer = os.path.join(work, "buffer")
        os.makedirs(buffer, exist_ok=True)
        size = (width * 3 + 3) // 4 * 4 * height + 54
        shape = [work, str(width), str(height), str(frames), str(parts)]
        contenders = {"wiper-render --headless": [renderer, "--headless", work]}
        if base:
            contenders["base --headless"] = [base, "--headless", work]
        contenders["floor: write-once"] = [floor, "write-once"] + shape
        if args.wiped:
            contenders["wiper-render --wiped"] = [renderer, "--headless", "--wiped", work]
            contenders["wiper-render --wiped-only"] = [renderer, "--wiped-only", work]
        if args.read_back_floors:
            contenders["floor: plain"] = [floor, "plain"] + shape
            contenders["floor: in-place"] = [floor, "in-place"] + shape

        even = break_even(floor, work, width, height)
        results = {c: [] for c in contenders}
        for _ in range(args.runs):
            for c, cmd in contenders.items():
                shutil.rmtree(buffer, ignore_errors=True)
                os.mkdir(buffer)
                os.sync()  # every run starts with no write-back of the one before pending
                results[c].append(measure(tool, cmd))
    finally:
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)

    med = {c: statistics.median(r[0] for r in runs) for c, runs in results.items()}
    peak = {c: max(r[1] for r in runs) for c, runs in results.items()}
    read = {c: runs[-1][2] for c, runs in results.items()}
    written = {c: runs[-1][3] for c, runs in results.items()}
    floor_time = med["floor: write-once"]
    floor_bytes = read["floor: write-once"] + written["floor: write-once"]
    budget = goal_frames * size + 20e6
    print(f"== {name}: {width} x {height}, {parts} parts x {frames} frames, frame file {size / 1e6:.1f} MB, "
          f"{args.runs} alternated runs, sync before each")
    print(f"merge break-even at this size: {even[0] / 1e3:.1f} KB (a call {even[1]:.0f} ns, a byte {even[2]:.3f} ns)")
    print(f"{'contender':26} {'median s':>9} {'x floor':>8} {'read MB':>10} {'written MB':>11} "
          f"{'moved x floor':>14} {'peak MB':>8}")
    for c in contenders:
        moved = read[c] + written[c]
        print(f"{c:26} {med[c]:9.3f} {med[c] / floor_time:8.2f} {read[c] / 1e6:10.2f} {written[c] / 1e6:11.2f} "
              f"{moved / floor_bytes:14.2f} {peak[c] / 1e6:8.1f}")
    r = "wiper-render --headless"
    if base:
        print(f"renderer against base: wall time x{med[r] / med['base --headless']:.2f}, "
              f"bytes moved x{(read[r] + written[r]) / (read['base --headless'] + written['base --headless']):.2f}")
    for c in ("wiper-render --wiped", "wiper-render --wiped-only"):
        if c in contenders:
            print(f"{c} against the plain renderer: wall time x{med[c] / med[r]:.2f}, peak memory x{peak[c] / peak[r]:.2f}")
    print(f"renderer reads {read[r] / floor_bytes * 100:.3f}% of the floor's bytes; peak memory goal "
          f"({goal_frames:g} frames + 20 MB): {budget / 1e6:.1f} MB, renderer peak {peak[r] / 1e6:.1f} MB "
          f"({peak[r] / budget:.2f} of it)")
    cpu = {c: [r[4] + r[5] for r in runs] for c, runs in results.items()}
    print(f"{'contender':26} {'cpu s':>9} {'user s':>8} {'sys s':>8} {'cpu min':>8} {'cpu max':>8}   (user + sys, medians)")
    for c in contenders:
        print(f"{c:26} {statistics.median(cpu[c]):9.3f} {statistics.median(r[4] for r in results[c]):8.3f} "
              f"{statistics.median(r[5] for r in results[c]):8.3f} {min(cpu[c]):8.3f} {max(cpu[c]):8.3f}")
    if base:
        print(f"renderer against base: cpu time x{statistics.median(cpu[r]) / statistics.median(cpu['base --headless']):.2f}")
    print()


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--build", default="build")
    ap.add_argument("--base", default=None, help="another wiper-render to compare with, side by side")
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--workload", nargs="+", default=["1080p"], choices=list(WORKLOADS) + ["all"])
    ap.add_argument("--width", type=int)
    ap.add_argument("--height", type=int)
    ap.add_argument("--frames", type=int)
    ap.add_argument("--read-back-floors", action="store_true", help="also the floors that read every frame back")
    ap.add_argument("--wiped", action="store_true", help="also the renderer with --wiped and with --wiped-only")
    ap.add_argument("--work", default=None, help="folder to put the workloads in (default: benchmarks/work/)")
    ap.add_argument("--keep", action="store_true", help="keep the workload folders")
    args = ap.parse_args()
    # SIGTERM unwinds like Ctrl-C, so each workload's folder is removed on the way out.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))

    renderer = os.path.abspath(os.path.join(args.build, "wiper-render"))
    floor = os.path.abspath(os.path.join(args.build, "benchmarks", "frame_traffic_floor"))
    tool = os.path.abspath(os.path.join(args.build, "benchmarks", "measure"))
    base = os.path.abspath(args.base) if args.base else None
    for exe in (renderer, floor, tool) + ((base,) if base else ()):
        if not os.access(exe, os.X_OK):
            sys.exit(f"missing {exe}: build with -DWIPER_BUILD_BENCHMARKS=ON")
    if args.width or args.height or args.frames:
        names, custom = ["custom"], (args.width or 1920, args.height or 1080, args.frames or 240, 2.5)
    else:
        names, custom = (list(WORKLOADS) if "all" in args.workload else args.workload), None
    for name in names:
        run_workload(name, args, (renderer, base, floor, tool), custom)


if __name__ == "__main__":
    main()
