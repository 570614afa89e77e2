#!/bin/sh
# Puts kgw's inversion beside an independent one: SimPEG simulates each list over the
# validation's three grounds with 3 % noise, kgw invert inverts those very data, and the
# validation's own scorer judges the models with the figures its inversions are judged by
# (RMS of the log10 resistivity error over x 0-47 m, z 0-8 m, and over the bodies).
#
# The lists are those of bench/yardstick.sh (design, the standard arrays and a random list,
# N configurations with |K| <= K m at 1 m spacing). SimPEG's own inversions of the same lists
# take an hour (bench/yardstick.sh); with --simpeg LIST,GROUND,SEED this script also runs that
# one inversion with SimPEG and times both programs side by side.
#
# Run:  bench/inversion_yardstick.sh [-n N] [-k K] [--seeds 1,2] [--grounds block,two-blocks,dipping]
#                                    [--simpeg standard,block,1] [--keep DIR]
# KGW names the kgw binary (default build-release/cli/kgw, else build/cli/kgw); VALIDATION the
# validation folder (default ../shared/validation beside the checkout's parent). Prints one
# CSV line per run: list,ground,seed,rms_A,rms_bodies,chi2,iterations,seconds.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")

N=${N:-1000}
K=${K:-1000}
SEEDS=${SEEDS:-1,2}
GROUNDS=${GROUNDS:-block,two-blocks,dipping}
RANDOM_SEED=${RANDOM_SEED:-7}
simpeg=
keep=

usage() {
    sed -n '2,/^set/s/^#$//p; 2,/^set/s/^# //p' "$0" >&2
    exit 2
}

while [ $# -gt 0 ]; do
    case $1 in
        -n) [ $# -ge 2 ] || usage; N=$2; shift 2 ;;
        -k) [ $# -ge 2 ] || usage; K=$2; shift 2 ;;
        --seeds) [ $# -ge 2 ] || usage; SEEDS=$2; shift 2 ;;
        --grounds) [ $# -ge 2 ] || usage; GROUNDS=$2; shift 2 ;;
        --simpeg) [ $# -ge 2 ] || usage; simpeg=$2; shift 2 ;;
        --keep) [ $# -ge 2 ] || usage; keep=$2; shift 2 ;;
        -h|--help) usage ;;
        *) echo "inversion_yardstick.sh: unknown argument $1" >&2; usage ;;
    esac
done

kgw=${KGW:-}
if [ -z "$kgw" ]; then
    kgw=$root/build-release/cli/kgw
    [ -x "$kgw" ] || kgw=$root/build/cli/kgw
fi
[ -x "$kgw" ] || { echo "inversion_yardstick.sh: no kgw at $kgw; build it, or point KGW at it" >&2; exit 2; }
validation=${VALIDATION:-$(dirname "$root")/shared/validation}
[ -d "$validation/harness" ] || validation=/work/shared/validation
[ -d "$validation/harness" ] || { echo "inversion_yardstick.sh: no validation harness; set VALIDATION" >&2; exit 2; }
python=$("$validation/setup.sh")/bin/python
harness=$validation/harness

if [ -n "$keep" ]; then
    mkdir -p "$keep"
    dir=$(cd "$keep" && pwd)
else
    dir=$(mktemp -d "${TMPDIR:-/tmp}/kgw-inversion-yardstick.XXXXXX")
    trap 'rm -rf "$dir"' EXIT INT TERM
fi

[ -s "$dir/design.txt" ] || "$kgw" design --measurements "$N" --spacing 1 --k-max "$K" -o "$dir/design.txt" >/dev/null
if [ ! -s "$dir/standard.txt" ]; then
    "$kgw" generate dd wa --spacing 1 --k-max "$K" -o "$dir/standard-all.txt" >/dev/null
    head -n "$N" "$dir/standard-all.txt" > "$dir/standard.txt"
fi
[ -s "$dir/random.txt" ] || "$python" "$harness/random_list.py" "$N" "$RANDOM_SEED" "$K" "$dir/random.txt" >/dev/null

seconds() { date +%s.%N; }

echo "list,ground,seed,rms_A,rms_bodies,chi2,iterations,seconds"
for ground in $(echo "$GROUNDS" | tr , ' '); do
    for seed in $(echo "$SEEDS" | tr , ' '); do
        for list in design standard random; do
            data=$dir/$list.$ground.s$seed.dat
            model=$dir/$list.$ground.s$seed.xyz
            [ -s "$data" ] || (cd "$harness" && "$python" simulate.py "$dir/$list.txt" --model "$ground" \
                --seed "$seed" -o "$data" >/dev/null)
            start=$(seconds)
            "$kgw" invert "$data" -o "$model" > "$dir/$list.$ground.s$seed.log"
            end=$(seconds)
            last=$(tail -n 1 "$dir/$list.$ground.s$seed.log")
            chi2=$(echo "$last" | sed -n 's/.*chi2 \([^ ]*\) after \([0-9]*\) iteration.*/\1/p')
            iterations=$(echo "$last" | sed -n 's/.*chi2 \([^ ]*\) after \([0-9]*\) iteration.*/\2/p')
            score=$(cd "$harness" && "$python" score_model.py "$model" --model "$ground")
            rmsA=$(echo "$score" | awk '{print $2}')
            rmsB=$(echo "$score" | awk '{print $4}')
            echo "$list,$ground,$seed,$rmsA,$rmsB,$chi2,$iterations,$(awk "BEGIN { printf \"%.1f\", $end - $start }")"
        done
    done
done

if [ -n "$simpeg" ]; then
    list=$(echo "$simpeg" | cut -d, -f1)
    ground=$(echo "$simpeg" | cut -d, -f2)
    seed=$(echo "$simpeg" | cut -d, -f3)
    echo "SimPEG, $list on $ground, seed $seed (its own 0.5 m data and inversion):" >&2
    start=$(seconds)
    (cd "$harness" && "$python" validate.py "$dir/$list.txt" --models "$ground" --seeds "$seed") >&2
    end=$(seconds)
    echo "simpeg,$list,$ground,$seed,seconds,$(awk "BEGIN { printf \"%.1f\", $end - $start }")"
fi
