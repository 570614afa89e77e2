#!/bin/sh
# Measures `kgw test` as a crew runs it: three lists of N configurations (design, standard
# arrays, random: made as bench/yardstick.sh makes them) over a ground, with its picture, and
# prints the time and the peak memory beside the goals of 45 s and 500 MiB.
#
# Run:  bench/kgwtest.sh [GROUND]   (default examples/grounds/block.ground)
# with N and K in the environment as for yardstick.sh, KGW the kgw binary (default
# build-release/cli/kgw of this checkout: measure a Release build).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
ground=${1:-$root/examples/grounds/block.ground}
kgw=${KGW:-$root/build-release/cli/kgw}
if [ ! -x "$kgw" ]; then
    echo "kgwtest.sh: no kgw at $kgw; build it, or point KGW at it" >&2
    exit 2
fi

dir=$(mktemp -d "${TMPDIR:-/tmp}/kgw-test-bench.XXXXXX")
trap 'rm -rf "$dir"' EXIT INT TERM
KGW=$kgw "$here/yardstick.sh" --lists-only --keep "$dir" >/dev/null

/usr/bin/time -v "$kgw" test --ground "$ground" --spacing 1 \
    "$dir/design.txt" "$dir/standard.txt" "$dir/random.txt" --picture "$dir/test.png" \
    2>"$dir/time.txt"
seconds=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$dir/time.txt" \
    | awk -F: '{ s = 0; for (i = 1; i <= NF; ++i) s = s * 60 + $i; print s }')
kib=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$dir/time.txt")
cpu=$(sed -n 's/.*Percent of CPU this job got: //p' "$dir/time.txt")
echo "kgw test of three lists: $seconds s (goal 45 s), peak $((kib / 1024)) MiB (goal 500 MiB), CPU $cpu; load $(cut -d' ' -f1-3 /proc/loadavg)"
