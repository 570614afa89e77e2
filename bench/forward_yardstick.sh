#!/bin/sh
# Puts kgw's forward model beside an independent one: SimPEG (../shared/validation, finite
# volumes on a 0.25 m mesh) forward-models the same list over the yardstick's three grounds, and
# the two are compared row by row, with both programs' wall-clock times.
#
# Run:  bench/forward_yardstick.sh [LIST]   (default: kgw generate dd wa slm pd --spacing 1
#                                             --k-max 1000)
# KGWBENCH and KGW name the Release build's programs (default build-release/ of this checkout);
# PYTHON the Python that imports SimPEG (default the shared build's).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
KGWBENCH=${KGWBENCH:-$root/build-release/bench/kgwbench}
KGW=${KGW:-$root/build-release/cli/kgw}
validation=$root/../shared/validation
[ -d "$validation" ] || validation=/work/shared/validation
PYTHON=${PYTHON:-$("$validation/setup.sh")/bin/python}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
list=${1:-}
if [ -z "$list" ]; then
    list=$work/all.txt
    "$KGW" generate dd wa slm pd --spacing 1 --k-max 1000 -o "$list" 2>/dev/null
fi

now() { date +%s.%N; }
printf '%-11s %6s %14s %14s %14s %9s %9s %7s\n' ground rows "median % K<=300" "90th % K<=300" \
    "median % all" "kgw s" "SimPEG s" ratio
for ground in block two-blocks dipping; do
    t0=$(now)
    "$KGWBENCH" --simulate "$ground" "$list" > "$work/kgw.txt" 2>/dev/null
    t1=$(now)
    "$PYTHON" "$validation/harness/simulate.py" "$list" --model "$ground" --noise 0 --dx 0.25 \
        -o "$work/simpeg.dat" > /dev/null 2>&1
    t2=$(now)
    python3 - "$work/kgw.txt" "$work/simpeg.dat" "$ground" "$t0" "$t1" "$t2" <<'PY'
import math, sys
ours = [l.split() for l in open(sys.argv[1]) if l.strip()]
lines = open(sys.argv[2]).read().splitlines()
start = next(i for i, l in enumerate(lines) if l.startswith('# a b m n')) + 1
theirs = [l.split() for l in lines[start:] if l.strip() and not l.startswith('#')]
assert len(ours) == len(theirs)

def factor(a, b, m, n):
    g = 0
    for p, q, s in ((a, m, 1), (a, n, -1), (b, m, -1), (b, n, 1)):
        if p and q:
            g += s / abs(p - q)
    return 2 * math.pi / g if g else math.inf

small, every = [], []
for o, t in zip(ours, theirs):
    assert o[:4] == t[:4]
    d = abs(float(o[4]) / float(t[4]) - 1) * 100
    every.append(d)
    if abs(factor(*map(int, o[:4]))) <= 300:
        small.append(d)

def pct(v, q):
    v = sorted(v)
    return v[min(len(v) - 1, int(q * len(v)))]

t0, t1, t2 = map(float, sys.argv[4:7])
print('%-11s %6d %14.3f %14.3f %14.3f %9.2f %9.2f %7.1f' % (sys.argv[3], len(ours),
      pct(small, 0.5), pct(small, 0.9), pct(every, 0.5), t1 - t0, t2 - t1, (t2 - t1) / (t1 - t0)))
PY
done
echo "goals: median difference <= 2 % for |K| <= 300 m; kgw >= 10 times faster (whole programs)"
