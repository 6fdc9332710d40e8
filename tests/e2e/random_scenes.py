#!/usr/bin/env python3
"""Writes COUNT random program folders under ROOT (scene_1 ... scene_COUNT),
for comparing the frames of two builds of the program byte for byte.

    tests/e2e/random_scenes.py ROOT COUNT SEED [--zones]

Each folder holds image settings, blade turns, one to four part files (swept
and carried, concave, self-crossing, partly or wholly off the picture, with
large and negative coordinates) and an empty buffer/. Later parts never have
more frames than the first, so most runs finish; a few stop on purpose (a
single-frame carried part, a sweep product beyond 32 bits) to compare the
failure too. The same SEED always gives the same folders.

--zones (for scripts/compare-builds.sh) also exercises the wiped field's zone
report and the frame-count checks: about half the folders get one or two zone
files (a share 0..100, 3 to 12 points, mostly inside the picture, a tenth
anywhere, so some stop with status 14), a few get a later part with more
frames than the first (status 10), and a later part with one frame, which
stops the run, is made rarer, so more folders render to the end. Everything
the flag adds is drawn from a second generator seeded from SEED, so the
folders' other files are drawn as without it: without the flag, a SEED gives
the very folders it always gave.
"""
import os
import random
import sys


def part_text(rng, frames, width, height):
    cx = rng.randint(-width // 4, width + width // 4)
    cy = rng.randint(-height // 4, height + height // 4)
    sweep = rng.choice([rng.randint(-720, 720), rng.randint(-90, 90), 0, 360, -45])
    points = rng.choice([0, 1, 2, 3, 4, 5, 12, 40, 101])
    spread = rng.choice([10, max(width, height) // 3, max(width, height)])
    pts = [(cx + rng.randint(-spread, spread), cy + rng.randint(-spread, spread)) for _ in range(points)]
    return f"{frames},{sweep},{cx},{cy}\n" + "".join(f"{x},{y}\n" for x, y in pts)


def zone_text(rng, width, height):
    share = rng.choice([0, 50, 80, 98, 100, rng.randint(0, 100)])
    if rng.random() < 0.1:  # anywhere, sometimes wholly outside (status 14)
        cx = rng.randint(-width // 2, width + width // 2)
        cy = rng.randint(-height // 2, height + height // 2)
    else:
        cx, cy = rng.randint(0, width - 1), rng.randint(0, height - 1)
    spread = rng.choice([3, max(width, height) // 4, max(width, height)])
    pts = [(cx + rng.randint(-spread, spread), cy + rng.randint(-spread, spread)) for _ in range(rng.randint(3, 12))]
    return f"{share}\n" + "".join(f"{x},{y}\n" for x, y in pts)


def write_scene(folder, rng, extra=None):
    """Draws the folder from rng; with extra (--zones), what the flag adds
    comes from extra alone, so rng's draws are the same either way."""
    os.makedirs(os.path.join(folder, "buffer"), exist_ok=True)
    width, height = rng.randint(1, 800), rng.randint(1, 600)
    with open(os.path.join(folder, "immagini.txt"), "w") as f:
        f.write(f'"s",{width},{height}\n')
    with open(os.path.join(folder, "rotazione_spazzole.txt"), "w") as f:
        f.write(f"{rng.randint(-180, 180)},{rng.randint(-180, 180)}\n")
    first_frames = rng.randint(2, 24)
    for i in range(rng.randint(1, 4)):
        frames = first_frames if i == 0 else rng.randint(0, first_frames)
        if extra is not None and frames == 1 and extra.random() < 0.75:
            frames = first_frames  # a one-frame part stops the run; keep that rare
        carried = rng.random() < 0.5
        name = f"coordinate_{i}{'_nr' if carried else ''}.txt"
        with open(os.path.join(folder, name), "w") as f:
            f.write(part_text(rng, frames, width, height))
    trouble = rng.random()
    if trouble < 0.05:
        with open(os.path.join(folder, "coordinate_9_nr.txt"), "w") as f:
            f.write("1,90,0,0\n1,1\n2,2\n")
    elif trouble < 0.10:
        with open(os.path.join(folder, "coordinate_9.txt"), "w") as f:
            f.write("3,2000000000,0,0\n1,1\n2,2\n")
    elif extra is not None and trouble < 0.13:
        with open(os.path.join(folder, "coordinate_9.txt"), "w") as f:
            f.write(f"{first_frames + 2},30,0,0\n1,1\n2,2\n5,9\n")
    if extra is not None and extra.random() < 0.5:
        for z in range(extra.randint(1, 2)):
            with open(os.path.join(folder, f"zone_{'AB'[z]}.txt"), "w") as f:
                f.write(zone_text(extra, width, height))


def main():
    args = sys.argv[1:]
    zones = "--zones" in args
    args = [a for a in args if a != "--zones"]
    if len(args) != 3:
        sys.exit(__doc__)
    root, count, seed = args[0], int(args[1]), int(args[2])
    rng = random.Random(seed)
    # A string seed gives a stream of its own, not rng's again.
    extra = random.Random(f"zones {seed}") if zones else None
    for n in range(1, count + 1):
        write_scene(os.path.join(root, f"scene_{n}"), rng, extra)


if __name__ == "__main__":
    main()
