"""Compares kgw's Jacobian with SimPEG's (../shared/validation) row by row.

Run with the Python that imports SimPEG:
    $PYTHON bench/jacobian_yardstick.py KGWBENCH LIST [--ground block] [--dx 0.25]
Both Jacobians, as d ln r / d ln rho, are summed into 1 m x 0.5 m cells under the line (x 0-47 m,
z 0-8 m; sensitivities add over cells) and each row's correlation between the two is printed
as a median and a 10th percentile over the rows. Goal: 0.99.
"""
import argparse
import os
import subprocess
import sys

import numpy as np

here = os.path.dirname(os.path.abspath(__file__))
for validation in (os.path.join(here, "..", "..", "shared", "validation"), "/work/shared/validation"):
    if os.path.isdir(validation):
        sys.path.insert(0, os.path.join(validation, "harness"))
        break
from common import MODELS, make_mesh, make_sim, make_survey, read_list, rho_on_mesh  # noqa: E402


def binned(x, z, jacobian):
    ix = np.floor(x).astype(int)
    iz = np.floor(z / 0.5).astype(int)
    inside = (x >= 0) & (x < 47) & (z >= 0) & (z < 8)
    out = np.zeros((jacobian.shape[0], 47 * 16))
    np.add.at(out.T, (iz[inside] * 47 + ix[inside]), jacobian[:, inside].T)
    return out


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("kgwbench")
    ap.add_argument("list")
    ap.add_argument("--ground", default="block", choices=sorted(MODELS))
    ap.add_argument("--dx", type=float, default=0.25)
    args = ap.parse_args()

    text = subprocess.run([args.kgwbench, "--jacobian", args.ground, args.list], check=True,
                          capture_output=True, text=True).stdout.split("\n")
    cells = int(text[0])
    centres = np.array([l.split() for l in text[1:cells + 1]], dtype=float)
    ours = np.array([l.split() for l in text[cells + 1:] if l.strip()], dtype=float)

    seq = read_list(args.list)
    mesh = make_mesh(args.dx)
    fn, _ = MODELS[args.ground]
    rho = rho_on_mesh(mesh, fn)
    survey, inv = make_survey(seq)
    sim = make_sim(mesh, survey, store_j=True)
    m = np.log(1 / rho)
    d = sim.dpred(m)
    # SimPEG's model is ln sigma = -ln rho; its rows come in survey order.
    theirs = (-sim.getJ(m) / d[:, None])[inv]
    cx = mesh.cell_centers[:, 0]
    cz = -mesh.cell_centers[:, 1]

    a = binned(centres[:, 0], centres[:, 1], ours)
    b = binned(cx, cz, theirs)
    r = np.array([np.corrcoef(p, q)[0, 1] for p, q in zip(a, b)])
    print("%s: %d rows, correlation median %.4f, 10th percentile %.4f, lowest %.4f (goal 0.99)"
          % (args.ground, len(r), np.median(r), np.percentile(r, 10), r.min()))
    worst = np.argsort(r)[:3]
    print("  lowest rows: " + ", ".join("%s (%.4f)" % (" ".join(map(str, seq[i])), r[i])
                                         for i in worst))


if __name__ == "__main__":
    main()
