#!/usr/bin/env python3
"""How long after it starts a SIGTERM can still kill wiper-render outright.

Before the program blocks its stop signals, SIGTERM ends it by the signal
(status 143 to a shell, no line); afterwards it ends the run with status 30,
or the run ends normally. This starts the program many times on a copy of the
bundled example, sends SIGTERM at a delay spread evenly from 0 to --up-to ms
after the start (the moment posix_spawn returns: the program is exec'd), and
prints the latest delay at which the signal still killed it, with how many
starts it killed in each slice of time.

    benchmarks/start_window.py build/wiper-render
    benchmarks/start_window.py OTHER/wiper-render --starts 400 --up-to 20
"""
import argparse
import os
import pathlib
import shutil
import signal
import sys
import tempfile
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent


def one_start(binary, args, delay_s):
    """Starts the program and sends SIGTERM `delay_s` after: when it went, in ms, and whether it killed."""
    actions = [(os.POSIX_SPAWN_OPEN, 0, os.devnull, os.O_RDONLY, 0),
               (os.POSIX_SPAWN_OPEN, 1, os.devnull, os.O_WRONLY, 0),
               (os.POSIX_SPAWN_OPEN, 2, os.devnull, os.O_WRONLY, 0)]
    # The child starts with the stop signals at their defaults and unblocked, as from a shell.
    pid = os.posix_spawn(binary, [binary] + args, os.environ, file_actions=actions,
                         setsigdef=(signal.SIGTERM, signal.SIGINT, signal.SIGHUP), setsigmask=())
    started = time.perf_counter()
    # A sleep, not a busy wait, which would take a processor from the program
    # starting; the delay counted is the one measured as the signal goes.
    if delay_s > 0:
        time.sleep(delay_s)
    sent = time.perf_counter()
    os.kill(pid, signal.SIGTERM)
    _, status = os.waitpid(pid, 0)
    if not os.WIFSIGNALED(status) and os.WEXITSTATUS(status) not in (0, 30):
        sys.exit(f"{binary} ended with status {os.WEXITSTATUS(status)}, neither 0 nor 30")
    return (sent - started) * 1000.0, os.WIFSIGNALED(status)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("binary")
    parser.add_argument("--starts", type=int, default=200)
    parser.add_argument("--up-to", type=float, default=10.0, help="the latest delay tried, in ms")
    parser.add_argument("--slices", type=int, default=10, help="slices of the delays in the table")
    options = parser.parse_args()
    binary = str(pathlib.Path(options.binary).resolve())

    with tempfile.TemporaryDirectory(prefix="wiper-start-window-") as work:
        scene = pathlib.Path(work) / "wiper"
        shutil.copytree(ROOT / "examples" / "wiper", scene)
        args = ["--headless", "--quiet", str(scene)]
        one_start(binary, args, 1.0)  # once unhurried, so the files are in the page cache
        delays = [options.up_to * i / max(1, options.starts - 1) for i in range(options.starts)]
        # Alternately from both ends, so that a machine growing busier meanwhile
        # weighs on early and late delays alike.
        order = [delays[i // 2] if i % 2 == 0 else delays[-1 - i // 2] for i in range(options.starts)]
        results = [one_start(binary, args, delay / 1000.0) for delay in order]

    width = options.up_to / options.slices
    print(f"{binary}: {options.starts} starts, SIGTERM from 0 to {options.up_to:g} ms after posix_spawn returned")
    print("  after (ms)     killed by the signal")
    for s in range(options.slices):
        low, high = s * width, (s + 1) * width
        last = s == options.slices - 1
        in_slice = [dead for sent, dead in results if low <= sent < high or (last and sent >= high)]
        print(f"  {low:5.2f} - {high:5.2f}  {sum(in_slice):4d} of {len(in_slice)}")
    dead_delays = [sent for sent, dead in results if dead]
    if dead_delays:
        print(f"latest kill: {max(dead_delays):.2f} ms after the start ({len(dead_delays)} of {options.starts} starts)")
    else:
        print("no start was killed by the signal")


if __name__ == "__main__":
    main()
