#!/usr/bin/env python3
"""Writes two unified data files as a field survey gives them, for the readers' tests.

slope48.dat: a 48-electrode cable at 2 m laid down a hillside. The heights are levelled to the
centimetre; each electrode's x is where a 2 m tape from the one before meets the ground, to
five decimals, as a total station reports it.
levelled-wenner.dat: a Wenner line of 24 electrodes at 5 m on level ground at 108.8 m.

The positions are worked out here from Pythagoras alone, not by the program, so that the tests
compare the program with an independent statement of the line. Run it from anywhere; it writes
the files beside itself.
"""
import math
import os

here = os.path.dirname(os.path.abspath(__file__))

# Level for a pace, then down the hill, across a hollow and up a little.
heights = [0.0, 0.0, -0.23]
steps = [-0.28, -0.33, -0.36, -0.41, -0.45, -0.47, -0.5, -0.52, -0.55, -0.55, -0.56, -0.54,
         -0.51, -0.47, -0.42, -0.36, -0.3, -0.24, -0.18, -0.12, -0.06, 0.0, 0.05, 0.09, 0.12,
         0.15, 0.17, 0.18, 0.19, 0.19, 0.18, 0.16, 0.14, 0.12, 0.1, 0.08, 0.06, 0.05, 0.04,
         0.03, 0.02, 0.01, 0.0, -0.01, -0.02]
for step in steps:
    heights.append(round(heights[-1] + step, 2))
assert len(heights) == 48
x = [0.0]
for k in range(1, 48):
    rise = heights[k] - heights[k - 1]
    x.append(x[-1] + math.sqrt(2.0 ** 2 - rise ** 2))

lines = ["48", "# x z"]
lines += ["%.5f %.2f" % (xk, zk) for xk, zk in zip(x, heights)]
# Dipole-dipole at a = 1, n = 1 to 3, along the first electrodes: a b m n, apparent resistivity
# and error.
data = []
for n in (1, 2, 3):
    for i in range(1, 9):
        data.append("%d %d %d %d %.1f 0.03" % (i + 1, i, i + n + 1, i + n + 2, 80 + 3 * n + i))
lines += [str(len(data)), "# a b m n rhoa err"] + data
with open(os.path.join(here, "slope48.dat"), "w") as out:
    out.write("\n".join(lines) + "\n")

lines = ["24", "# x y z"]
lines += ["%g 0 108.8" % (5 * k) for k in range(24)]
data = []
for a in (1, 2, 3):
    for i in range(1, 25 - 3 * a):
        data.append("%d %d %d %d %.2f" % (i, i + 3 * a, i + a, i + 2 * a, 112.5 - a + 0.25 * i))
lines += [str(len(data)), "# a b m n rhoa"] + data
with open(os.path.join(here, "levelled-wenner.dat"), "w") as out:
    out.write("\n".join(lines) + "\n")
