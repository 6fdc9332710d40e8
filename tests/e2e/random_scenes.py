#!/usr/bin/env python3
"""Writes COUNT random program folders under ROOT (scene_1 ... scene_COUNT),
for comparing the frames of two builds of the program byte for byte.

    tests/e2e/random_scenes.py ROOT COUNT SEED

Each folder holds image settings, blade turns, one to four part files (swept
and carried, concave, self-crossing, partly or wholly off the picture, with
large and negative coordinates) and an empty buffer/. Later parts never have
more frames than the first, so most runs finish; a few stop on purpose (a
single-frame carried part, a sweep product beyond 32 bits) to compare the
failure too. The same SEED always gives the same folders.
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


def write_scene(folder, rng):
    os.makedirs(os.path.join(folder, "buffer"), exist_ok=True)
    width, height = rng.randint(1, 800), rng.randint(1, 600)
    with open(os.path.join(folder, "immagini.txt"), "w") as f:
        f.write(f'"s",{width},{height}\n')
    with open(os.path.join(folder, "rotazione_spazzole.txt"), "w") as f:
        f.write(f"{rng.randint(-180, 180)},{rng.randint(-180, 180)}\n")
    first_frames = rng.randint(2, 24)
    for i in range(rng.randint(1, 4)):
        frames = first_frames if i == 0 else rng.randint(0, first_frames)
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


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    root, count, seed = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    rng = random.Random(seed)
    for n in range(1, count + 1):
        write_scene(os.path.join(root, f"scene_{n}"), rng)


if __name__ == "__main__":
    main()
