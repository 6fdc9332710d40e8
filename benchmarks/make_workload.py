#!/usr/bin/env python3
"""Writes the benchmark workload: a program folder with two wipers, each a
swept arm of 4 points and a carried blade of 100 points, sweeping -80 degrees,
blade turns 30 and 30; the windscreen's glass (glass.txt: a 25 px border and a
rounded outline of 1000 points) and two vision zones (zone_A.txt, 98%, in
front of the driver; zone_B.txt, 80%, the wide band); and an empty buffer/.

    benchmarks/make_workload.py FOLDER [WIDTH HEIGHT FRAMES]   (default 1920 1080 240)
"""
import math
import os
import sys


def write_workload(folder, width=1920, height=1080, frames=240):
    os.makedirs(os.path.join(folder, "buffer"), exist_ok=True)
    with open(os.path.join(folder, "immagini.txt"), "w") as f:
        f.write(f'"w",{width},{height}\n')
    with open(os.path.join(folder, "rotazione_spazzole.txt"), "w") as f:
        f.write("30\n30\n")
    arm = round(width * 0.26)
    half_blade = round(width * 0.16)
    for i, pivot_x in enumerate((round(width * 0.29), round(width * 0.71))):
        pivot_y = round(height * 0.96)
        tip = (pivot_x + arm, pivot_y)
        header = f"{frames},-80,{pivot_x},{pivot_y}\n"
        arm_pts = [(pivot_x, pivot_y - 6), (tip[0], tip[1] - 3), (tip[0], tip[1] + 3), (pivot_x, pivot_y + 6)]
        with open(os.path.join(folder, f"coordinate_{i + 1}_arm.txt"), "w") as f:
            f.write(header + "".join(f"{x},{y}\n" for x, y in arm_pts))
        # Point 0 carries the blade at the arm's tip; 99 more points outline a
        # thin lens along the arm, drawn just above it.
        blade = [tip]
        for k in range(50):
            t = k / 49
            blade.append((round(tip[0] - half_blade + 2 * half_blade * t), round(tip[1] - 14 - 8 * math.sin(math.pi * t))))
        for k in range(48, -1, -1):
            t = k / 48
            blade.append((round(tip[0] - half_blade + 2 * half_blade * t), round(tip[1] - 14 + 2 * math.sin(math.pi * t))))
        with open(os.path.join(folder, f"coordinate_{i + 3}_blade_nr.txt"), "w") as f:
            f.write(header + "".join(f"{x},{y}\n" for x, y in blade))
    write_glass_and_zones(folder, width, height)


def points_text(points):
    return "".join(f"{round(x)},{round(y)}\n" for x, y in points)


def write_glass_and_zones(folder, width, height):
    """The glass: a rounded rectangle (a superellipse of exponent 4) over most
    of the picture, 1000 points, with the US rule's 25 mm border at 1 px = 1 mm.
    The zones lie on it, over what the blades sweep."""
    cx, cy, ax, ay = width * 0.5, height * 0.55, width * 0.47, height * 0.43
    glass = []
    for k in range(1000):
        a = 2 * math.pi * k / 1000
        c, s = math.cos(a), math.sin(a)
        glass.append((cx + ax * math.copysign(abs(c) ** 0.5, c), cy + ay * math.copysign(abs(s) ** 0.5, s)))
    with open(os.path.join(folder, "glass.txt"), "w") as f:
        f.write("25\n" + points_text(glass))
    zone_a = [(width * 0.4, height * 0.6), (width * 0.58, height * 0.58), (width * 0.6, height * 0.9), (width * 0.42, height * 0.92)]
    zone_b = [(width * 0.3, height * 0.62), (width * 0.95, height * 0.62), (width * 0.95, height * 0.9), (width * 0.3, height * 0.9)]
    for name, share, outline in (("zone_A.txt", 98, zone_a), ("zone_B.txt", 80, zone_b)):
        with open(os.path.join(folder, name), "w") as f:
            f.write(f"{share}\n" + points_text(outline))


if __name__ == "__main__":
    if len(sys.argv) not in (2, 5):
        sys.exit(__doc__)
    dims = [int(v) for v in sys.argv[2:5]] if len(sys.argv) == 5 else []
    write_workload(sys.argv[1], *dims)
