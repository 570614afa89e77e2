#!/bin/sh
# Puts kgw's design to the test that matters: does a real nonlinear inversion image the ground
# better from it than from the standard arrays, or from measurable configurations taken at
# random? kgw's own resolution figure is linear and cannot answer that by itself.
#
# It makes three lists of N configurations with |K| <= K m at 1 m spacing:
#   design    kgw design --measurements N --spacing 1 --k-max K
#   standard  kgw generate dd wa --spacing 1 --k-max K, the first N lines
#   random    N configurations drawn uniformly by yardstick.py --random
# and runs bench/yardstick.py on them (SimPEG inversions on three synthetic grounds).
#
# With --adaptive N0 it also makes, for each ground, the adaptive design of N over the ground's
# file in examples/grounds (kgw design --adaptive N0: N0 standard arrays simulated and inverted,
# the rest designed over the image) and judges it on that ground alone.
#
# Run:  bench/yardstick.sh [-n N] [-k K] [--seeds 1,2] [--grounds block,two-blocks,dipping]
#                          [--adaptive N0] [--keep DIR] [--lists-only]
#                          [-- more yardstick.py options, e.g. --max-iter 5]
# or set N, K, SEEDS, GROUNDS in the environment. KGW names the kgw binary (default
# build/cli/kgw of this checkout), PYTHON the Python that imports SimPEG (default python3 if
# it can, else the shared build /root/.cache/simpeg-harness/bin/python). The lists and
# results.csv go to a temporary folder that is removed afterwards, unless --keep DIR.
# --lists-only makes the three lists and stops, for bench/kgwtest.sh (give it --keep DIR).
# The full comparison is 18 inversions of 1000 rows: expect an hour or more.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")

N=${N:-1000}
K=${K:-1000}
SEEDS=${SEEDS:-1,2}
GROUNDS=${GROUNDS:-block,two-blocks,dipping}
# One random list for every run, so that reruns compare the same three lists.
RANDOM_SEED=${RANDOM_SEED:-7}
keep=
listsOnly=
adaptive=

usage() {
    sed -n '2,/^set/s/^#$//p; 2,/^set/s/^# //p' "$0" >&2
    exit 2
}

while [ $# -gt 0 ]; do
    case $1 in
        -n|--measurements) [ $# -ge 2 ] || usage; N=$2; shift 2 ;;
        -k|--k-max) [ $# -ge 2 ] || usage; K=$2; shift 2 ;;
        --seeds) [ $# -ge 2 ] || usage; SEEDS=$2; shift 2 ;;
        --grounds) [ $# -ge 2 ] || usage; GROUNDS=$2; shift 2 ;;
        --keep) [ $# -ge 2 ] || usage; keep=$2; shift 2 ;;
        --adaptive) [ $# -ge 2 ] || usage; adaptive=$2; shift 2 ;;
        --lists-only) listsOnly=1; shift ;;
        -h|--help) usage ;;
        --) shift; break ;;
        *) echo "yardstick.sh: unknown argument $1" >&2; usage ;;
    esac
done

case $N in ''|*[!0-9]*) echo "yardstick.sh: N must be a whole number, not '$N'" >&2; exit 2 ;; esac

kgw=${KGW:-$root/build/cli/kgw}
if [ ! -x "$kgw" ]; then
    echo "yardstick.sh: no kgw at $kgw; build it, or point KGW at it" >&2
    exit 2
fi

if [ -z "${PYTHON:-}" ]; then
    if python3 -c 'import SimPEG' >/dev/null 2>&1; then
        PYTHON=python3
    elif [ -x /root/.cache/simpeg-harness/bin/python ]; then
        PYTHON=/root/.cache/simpeg-harness/bin/python
    else
        # yardstick.py itself then says how to get SimPEG.
        PYTHON=python3
    fi
fi

if [ -n "$keep" ]; then
    mkdir -p "$keep"
    dir=$(cd "$keep" && pwd)
else
    dir=$(mktemp -d "${TMPDIR:-/tmp}/kgw-yardstick.XXXXXX")
    trap 'rm -rf "$dir"' EXIT INT TERM
fi

echo "lists of $N configurations, |K| <= $K m, in $dir; Python: $PYTHON" >&2

"$kgw" design --measurements "$N" --spacing 1 --k-max "$K" -o "$dir/design.txt"

"$kgw" generate dd wa --spacing 1 --k-max "$K" -o "$dir/standard-all.txt"
head -n "$N" "$dir/standard-all.txt" > "$dir/standard.txt"
have=$(wc -l < "$dir/standard.txt")
if [ "$have" -lt "$N" ]; then
    # Comparing lists of different sizes would credit the longer one with more data.
    echo "yardstick.sh: the standard arrays give only $have configurations with |K| <= $K m; the lists would not be comparable" >&2
    exit 1
fi

"$PYTHON" "$here/yardstick.py" --random "$N" "$K" "$RANDOM_SEED" "$dir/random.txt"
[ -z "$listsOnly" ] || exit 0

"$PYTHON" "$here/yardstick.py" "$dir/design.txt" "$dir/standard.txt" "$dir/random.txt" \
    --grounds "$GROUNDS" --seeds "$SEEDS" --spacing 1 --out "$dir/results.csv" "$@"

[ -n "$adaptive" ] || exit 0
for ground in $(echo "$GROUNDS" | tr ',' ' '); do
    "$kgw" design --measurements "$N" --spacing 1 --k-max "$K" --adaptive "$adaptive" \
        --ground "$root/examples/grounds/$ground.ground" -o "$dir/adaptive-$ground.txt"
    "$PYTHON" "$here/yardstick.py" "$dir/adaptive-$ground.txt" --grounds "$ground" \
        --seeds "$SEEDS" --spacing 1 --out "$dir/adaptive-$ground.csv" "$@"
done
