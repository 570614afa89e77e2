#!/usr/bin/env python3
"""Does a list of configurations image the ground better than another one?

kgw judges lists by a linear resolution figure of a homogeneous ground. This script asks the
question a user cares about instead: forward-model each electrode list with SimPEG's 2.5-D DC
resistivity code on synthetic grounds, add noise, run the same nonlinear Gauss-Newton
inversion for every list and measure how far the result is from the true ground. SimPEG is
written by others, so the figures are not coloured by kgw's own physics.

Run:
    python3 bench/yardstick.py design.txt standard.txt random.txt \
        [--grounds block,two-blocks,dipping] [--seeds 1,2] [--noise 0.03] \
        [--max-iter 15] [--max-cg 20] [--spacing 1] [--out results.csv]
    python3 bench/yardstick.py --random N KMAX SEED OUT   # a random list to compare against

Lists hold one "A B M N" line per configuration (electrodes 1..48 at x = (k-1)*spacing on the
surface, 0 = remote electrode) and end at the first empty line. One inversion of 1000 rows
takes minutes; bench/yardstick.sh makes the lists with kgw and runs the comparison.
Needs SimPEG (pip install simpeg), or the shared build: /root/.cache/simpeg-harness/bin/python.
"""
import argparse
import contextlib
import csv
import io
import itertools
import os
import sys
import time
import warnings

try:
    import numpy as np
except ImportError:
    np = None

ELECTRODES = 48
SIMPEG_HINT = ("Install it with `pip install simpeg` (which brings numpy and scipy), or run this "
               "script with the shared build:\n"
               "  /root/.cache/simpeg-harness/bin/python bench/yardstick.py ...\n"
               "(made by /work/shared/validation/setup.sh when it is missing).")


# ---- electrode lists --------------------------------------------------------------------

def read_electrode_list(path):
    """Rows (A, B, M, N) with A and M never the remote electrode, so that a source or
    receiver with one remote end is always a pole at its first electrode."""
    rows = []
    with open(path) as f:
        for lineno, line in enumerate(f, 1):
            words = line.split()
            if not words:
                break
            if words[0].startswith("#"):
                continue
            try:
                a, b, m, n = (int(w) for w in words[:4])
            except ValueError:
                sys.exit(f"{path}:{lineno}: expected four electrode numbers, got: {line.strip()}")
            if not all(0 <= e <= ELECTRODES for e in (a, b, m, n)):
                sys.exit(f"{path}:{lineno}: electrodes are 0 (remote) to {ELECTRODES}")
            # Swapping the ends of a dipole only flips the sign of both the voltage and K,
            # so the apparent resistivity, and hence the inversion, is unchanged.
            if a == 0:
                a, b = b, a
            if m == 0:
                m, n = n, m
            if a == 0 or m == 0:
                sys.exit(f"{path}:{lineno}: a current or potential pair has no electrode on the line")
            used = [e for e in (a, b, m, n) if e != 0]
            if len(set(used)) != len(used):
                sys.exit(f"{path}:{lineno}: an electrode is used twice")
            rows.append((a, b, m, n))
    if not rows:
        sys.exit(f"{path}: no configurations")
    return np.array(rows, dtype=int)


def geometric_factors(rows, spacing):
    """K = 2 pi / (1/AM - 1/AN - 1/BM + 1/BN) of a half-space; a remote end adds no term."""
    rows = np.asarray(rows)

    def inverse_distance(p, q):
        d = np.abs(p - q) * spacing
        with np.errstate(divide="ignore"):
            return np.where((p == 0) | (q == 0), 0.0, 1.0 / np.where(d == 0, np.inf, d))

    a, b, m, n = rows.T
    g = (inverse_distance(a, m) - inverse_distance(a, n)
         - inverse_distance(b, m) + inverse_distance(b, n))
    with np.errstate(divide="ignore"):
        return 2 * np.pi / g


def write_random_list(count, k_max, seed, out, spacing):
    """Uniform choice among every measurable four-electrode configuration, the baseline a
    designed list has to beat. Each set of four electrodes p<q<r<s pairs up in three ways;
    every other ordering is the same configuration again (A<->B, M<->N, reciprocity)."""
    quads = np.array(list(itertools.combinations(range(1, ELECTRODES + 1), 4)), dtype=int)
    p, q, r, s = quads.T
    candidates = np.concatenate([
        np.stack([p, q, r, s], axis=1),   # the pairs side by side (dipole-dipole kind)
        np.stack([p, s, q, r], axis=1),   # one pair inside the other (Wenner-alpha kind)
        np.stack([p, r, q, s], axis=1),   # interleaved pairs (Wenner-beta/gamma kind)
    ])
    k = geometric_factors(candidates, spacing)
    measurable = np.isfinite(k) & (np.abs(k) <= k_max)
    pool, k = candidates[measurable], k[measurable]
    if count > len(pool):
        sys.exit(f"only {len(pool)} configurations have |K| <= {k_max} m; asked for {count}")
    chosen = np.random.default_rng(seed).choice(len(pool), size=count, replace=False)
    with open(out, "w") as f:
        for i in chosen:
            a, b, m, n = pool[i]
            # Orient the potential pair so that K is positive, as a field crew would read it.
            if k[i] < 0:
                m, n = n, m
            f.write(f"{a} {b} {m} {n}\n")
    print(f"{count} of {len(pool)} configurations with |K| <= {k_max} m written to {out}",
          file=sys.stderr)


# ---- synthetic grounds: resistivity at (x, depth) in metres --------------------------------

def block_ground(x, z):
    return np.where(block_body(x, z), 10.0, 100.0)


def block_body(x, z):
    return (x >= 18) & (x <= 26) & (z >= 3) & (z <= 6)


def two_blocks_ground(x, z):
    rho = np.full(np.shape(x), 100.0)
    rho[_resistive_block(x, z)] = 1000.0
    rho[_conductive_block(x, z)] = 10.0
    return rho


def _resistive_block(x, z):
    return (x >= 10) & (x <= 16) & (z >= 1.5) & (z <= 4.5)


def _conductive_block(x, z):
    return (x >= 30) & (x <= 36) & (z >= 1.5) & (z <= 4.5)


def two_blocks_bodies(x, z):
    return _resistive_block(x, z) | _conductive_block(x, z)


def dipping_ground(x, z):
    # A 45 degree dip to the right puts the contact at x = 20 + z.
    return np.where(x < 20 + z, 30.0, 300.0)


def dipping_body(x, z):
    # The error that matters is how sharply the contact is placed, not the far half-spaces,
    # which any list resolves; the horizontal band of 2 m is the part to judge.
    return np.abs(x - (20 + z)) <= 2.0


GROUNDS = {
    "block": (block_ground, block_body),
    "two-blocks": (two_blocks_ground, two_blocks_bodies),
    "dipping": (dipping_ground, dipping_body),
}


# ---- SimPEG pieces -----------------------------------------------------------------------

def import_simpeg():
    try:
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")
            import discretize
            from SimPEG import (data, data_misfit, directives, inverse_problem, inversion,
                                maps, optimization, regularization)
            from SimPEG.electromagnetics.static import resistivity as dc
    except ImportError as e:
        print(f"SimPEG cannot be imported ({e}).\n{SIMPEG_HINT}", file=sys.stderr)
        sys.exit(2)
    try:
        from pymatsolver import Pardiso as solver
    except ImportError:
        # SimPEG's own wrapper of scipy's LU drops the options scipy does not know; its
        # warning about each one, every wavenumber, would bury the results.
        from SimPEG.utils.solver_utils import SolverLU as solver
        warnings.filterwarnings("ignore", message=".*not a valid keyword for splu.*")
    return dict(discretize=discretize, data=data, data_misfit=data_misfit,
                directives=directives, inverse_problem=inverse_problem, inversion=inversion,
                maps=maps, optimization=optimization, regularization=regularization, dc=dc,
                solver=solver)


def padding_widths(cell, factor=1.3, reach=400.0):
    """Cells growing by `factor` until they reach `reach` metres, so that the far boundary
    condition no longer bends the potential under the line."""
    widths = []
    while sum(widths) < reach:
        widths.append(cell * factor ** (len(widths) + 1))
    return np.array(widths)


def build_mesh(sp, spacing):
    """Tensor mesh with the top at z = 0 and every electrode on a node: the nodal
    simulation then puts each source and receiver exactly where the list says."""
    # A cell near 0.5 m that divides the spacing keeps electrodes on nodes at any spacing.
    cell = spacing / max(1, round(2 * spacing))
    x0, x1 = -4.0 * max(1.0, spacing), (ELECTRODES - 1) * spacing + 4.0 * max(1.0, spacing)
    depth = 14.0 * max(1.0, spacing)
    pad = padding_widths(cell)
    hx = np.r_[pad[::-1], np.full(int(round((x1 - x0) / cell)), cell), pad]
    hz = np.r_[pad[::-1], np.full(int(round(depth / cell)), cell)]
    return sp["discretize"].TensorMesh([hx, hz], origin=[x0 - pad.sum(), -hz.sum()])


def build_survey(sp, rows, spacing):
    """Sources grouped by current pair; returns the survey and, for each datum of the survey,
    the list row it belongs to (SimPEG orders data by source, not by list line)."""
    dc = sp["dc"]

    def where(e):
        return np.array([(e - 1) * spacing, 0.0])

    by_source = {}
    for i, (a, b, m, n) in enumerate(rows):
        by_source.setdefault((a, b), []).append(i)
    sources, row_of_datum = [], []
    for (a, b), members in by_source.items():
        receivers = []
        dipoles = [i for i in members if rows[i][3] != 0]
        poles = [i for i in members if rows[i][3] == 0]
        if dipoles:
            receivers.append(dc.receivers.Dipole(
                np.array([where(rows[i][2]) for i in dipoles]),
                np.array([where(rows[i][3]) for i in dipoles]), data_type="volt"))
        if poles:
            receivers.append(dc.receivers.Pole(
                np.array([where(rows[i][2]) for i in poles]), data_type="volt"))
        row_of_datum += dipoles + poles
        if b == 0:
            sources.append(dc.sources.Pole(receivers, where(a)))
        else:
            sources.append(dc.sources.Dipole(receivers, where(a), where(b)))
    return dc.survey.Survey(sources), np.array(row_of_datum)


def simulation(sp, mesh, survey, keep_sensitivity):
    return sp["dc"].Simulation2DNodal(
        mesh, survey=survey, sigmaMap=sp["maps"].ExpMap(mesh), solver=sp["solver"],
        nky=11, storeJ=keep_sensitivity, miniaturize=True)


def true_log10_resistivity(mesh, ground, sub=5):
    """Log-averaged over sub x sub points of each cell, so that a cell cut by a boundary
    gets a value between the two sides rather than whichever its centre falls in."""
    frac = (np.arange(sub) + 0.5) / sub
    xs = mesh.nodes_x[:-1, None] + mesh.h[0][:, None] * frac
    zs = -(mesh.nodes_y[:-1, None] + mesh.h[1][:, None] * frac)
    total = np.zeros((len(mesh.h[1]), len(mesh.h[0])))
    for i in range(sub):
        for j in range(sub):
            X, Z = np.meshgrid(xs[:, i], zs[:, j])
            total += np.log10(ground(X, Z))
    return (total / (sub * sub)).ravel()  # discretize numbers cells x fastest


def invert(sp, mesh, survey, d_obs, k_survey, noise, max_iter, max_cg):
    """One inversion under settings that are the same for every list, so that only the
    list makes the difference. Returns log10 resistivity, chi² per datum and iterations."""
    rho_a = k_survey * d_obs
    # Rows that changed sign over the anomaly are no apparent resistivity of any half-space.
    rho_start = np.median(rho_a[rho_a > 0]) if np.any(rho_a > 0) else np.median(np.abs(rho_a))
    m_start = np.full(mesh.nC, -np.log(rho_start))
    observed = sp["data"].Data(survey, dobs=d_obs, standard_deviation=noise * np.abs(d_obs))
    misfit = sp["data_misfit"].L2DataMisfit(
        data=observed, simulation=simulation(sp, mesh, survey, keep_sensitivity=True))
    smooth = sp["regularization"].WeightedLeastSquares(
        mesh, reference_model=m_start, alpha_s=0.01, alpha_x=1.0, alpha_y=1.0)
    gauss_newton = sp["optimization"].InexactGaussNewton(maxIter=max_iter, maxIterCG=max_cg)
    problem = sp["inverse_problem"].BaseInvProblem(misfit, smooth, gauss_newton)
    d = sp["directives"]
    steps = [d.BetaEstimate_ByEig(beta0_ratio=1e-2, seed=1),
             d.BetaSchedule(coolingFactor=2, coolingRate=1),
             d.TargetMisfit(chifact=1.0)]
    with contextlib.redirect_stdout(io.StringIO()), warnings.catch_warnings():
        warnings.simplefilter("ignore")
        m = sp["inversion"].BaseInversion(problem, directiveList=steps).run(m_start)
    # SimPEG's misfit is half the sum of squares; chi² per datum is twice that over N.
    chi2 = 2 * misfit(m) / survey.nD
    return -m / np.log(10), chi2, gauss_newton.iter


def rms(values):
    return float(np.sqrt(np.mean(values ** 2))) if values.size else float("nan")


def compare(args):
    sp = import_simpeg()
    lists = {}
    for path in args.lists:
        name = os.path.splitext(os.path.basename(path))[0]
        if name in lists:
            name = path
        lists[name] = read_electrode_list(path)
    grounds = [g.strip() for g in args.grounds.split(",") if g.strip()]
    unknown = [g for g in grounds if g not in GROUNDS]
    if unknown:
        sys.exit(f"unknown ground {', '.join(unknown)}; known: {', '.join(GROUNDS)}")
    seeds = [int(s) for s in args.seeds.split(",") if s.strip()]

    mesh = build_mesh(sp, args.spacing)
    cx, cz = mesh.cell_centers[:, 0], -mesh.cell_centers[:, 1]
    # The grounds are drawn for a 47 m line; region A is the part of them a surface line
    # of that length can be expected to see.
    region_a = (cx >= 0) & (cx <= 47) & (cz >= 0) & (cz <= 8)
    print(f"mesh {mesh.nC} cells; noise {args.noise:g}; max-iter {args.max_iter}, "
          f"max-cg {args.max_cg}", flush=True)
    print(f"{'ground':10s} {'list':14s} {'N':>5s} {'seed':>4s} {'rms_A':>6s} "
          f"{'rms_target':>10s} {'chi2':>8s} {'iter':>4s} {'seconds':>7s}", flush=True)

    results = []
    out = open(args.out, "w", newline="") if args.out else None
    writer = csv.writer(out) if out else None
    if writer:
        writer.writerow(["ground", "list", "n", "seed", "rms_A", "rms_target", "chi2",
                         "iterations", "seconds"])
    try:
        for ground_name in grounds:
            ground, bodies = GROUNDS[ground_name]
            truth = true_log10_resistivity(mesh, ground)
            target = bodies(cx, cz)
            for list_name, rows in lists.items():
                survey, row_of_datum = build_survey(sp, rows, args.spacing)
                clean = simulation(sp, mesh, survey, keep_sensitivity=False).dpred(
                    -truth * np.log(10))
                k_survey = geometric_factors(rows, args.spacing)[row_of_datum]
                for seed in seeds:
                    rng = np.random.default_rng(seed)
                    d_obs = clean + args.noise * np.abs(clean) * rng.standard_normal(clean.size)
                    start = time.perf_counter()
                    recovered, chi2, iterations = invert(
                        sp, mesh, survey, d_obs, k_survey, args.noise, args.max_iter,
                        args.max_cg)
                    seconds = time.perf_counter() - start
                    error = recovered - truth
                    row = dict(ground=ground_name, list=list_name, n=len(rows), seed=seed,
                               rms_A=rms(error[region_a]), rms_target=rms(error[target]),
                               chi2=chi2, iterations=iterations, seconds=seconds)
                    results.append(row)
                    print(f"{ground_name:10s} {list_name:14s} {len(rows):5d} {seed:4d} "
                          f"{row['rms_A']:6.3f} {row['rms_target']:10.3f} {chi2:8.2f} "
                          f"{iterations:4d} {seconds:7.1f}", flush=True)
                    if writer:
                        writer.writerow([f"{v:.4f}" if isinstance(v, float) else v
                                         for v in row.values()])
                        out.flush()
    finally:
        if out:
            out.close()

    print("\nmean rms_A over grounds and seeds (lower is better):")
    for list_name in lists:
        values = [r["rms_A"] for r in results if r["list"] == list_name]
        targets = [r["rms_target"] for r in results if r["list"] == list_name]
        print(f"  {list_name:14s} rms_A {np.mean(values):.3f}   rms_target {np.mean(targets):.3f}"
              f"   ({len(values)} runs)")


def main():
    parser = argparse.ArgumentParser(
        description="Compare electrode lists by how well a SimPEG inversion of their "
                    "synthetic data recovers known grounds.")
    parser.add_argument("lists", nargs="*", help="electrode lists, one 'A B M N' per line")
    parser.add_argument("--random", nargs=4, metavar=("N", "KMAX", "SEED", "OUT"),
                        help="write a random list of N measurable configurations and stop")
    parser.add_argument("--grounds", default="block,two-blocks,dipping")
    parser.add_argument("--seeds", default="1,2")
    parser.add_argument("--noise", type=float, default=0.03,
                        help="relative standard deviation of the Gaussian noise")
    parser.add_argument("--max-iter", type=int, default=15, help="Gauss-Newton iterations")
    parser.add_argument("--max-cg", type=int, default=20, help="CG iterations per step")
    parser.add_argument("--spacing", type=float, default=1.0, help="electrode spacing, m")
    parser.add_argument("--out", help="also write the runs as CSV")
    args = parser.parse_args()
    if np is None:
        print(f"numpy cannot be imported, nor therefore SimPEG.\n{SIMPEG_HINT}", file=sys.stderr)
        sys.exit(2)
    if args.spacing <= 0:
        parser.error("--spacing must be positive")
    if args.random:
        n, k_max, seed, out = args.random
        write_random_list(int(n), float(k_max), int(seed), out, args.spacing)
        return
    if not args.lists:
        parser.error("give electrode lists to compare, or --random")
    compare(args)


if __name__ == "__main__":
    main()
