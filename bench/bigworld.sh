#!/bin/sh
# The crew system in big worlds, in instructions counted by callgrind: loading, each frame,
# saving and tearing down a world of N plain vessels, C capsules with a seat free and K crew
# members (who step out at the first frame), against the same world with N + C plain vessels
# in place of the capsules.
#
#   bench/bigworld.sh [build folder] [frames] ["N C K[ no-teardown]" ...]
#
# Per world it prints instructions per vessel of the load, the save and the teardown (load/v,
# save/v, down/v), and each as a multiple of the bare world's (load, save, down); the mean
# frame of both; as multiples of the bare frame, what the world with capsules adds to it
# (extra) and what the crew library's returning-crew step costs, its walk included (crew);
# and the worst frame as a multiple of the mean (the first frame, where the members step out,
# included). Build the driver first:
#   cmake --build <build folder> --target bigworld_driver
# A world of 50,000 vessels takes minutes under callgrind; "no-teardown" skips counting its
# teardown. `bigworld.sh <build> memory` prints the heap per plain vessel and per capsule.
set -eu
build=${1:-build-rel}
driver=$build/bench/bigworld_driver
if [ ! -x "$driver" ]; then
    echo "no $driver: build the bigworld_driver target first" >&2
    exit 1
fi

if [ "${2:-}" = memory ]; then
    plain=$("$driver" memory 10000 0 | awk '{print $4}')
    caps=$("$driver" memory 10000 1000 | awk '{print $4}')
    awk -v p="$plain" -v c="$caps" 'BEGIN {
        printf "heap per plain vessel %.0f bytes; per capsule %.0f bytes\n", p / 10000, (c - p) / 1000
    }'
    exit 0
fi

frames=${2:-30}
shift $(($# < 2 ? $# : 2))
if [ $# -eq 0 ]; then
    set -- "10000 1000 1000" "25000 1000 1000" "50000 1000 1000"
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# count <tag> <driver arguments...>: one line of instructions per dump, in order: the load,
# each frame, the save, the teardown (0 when skipped).
count() {
    tag=$1
    shift
    valgrind --tool=callgrind --toggle-collect=loadWorld --toggle-collect=runFrame \
        --toggle-collect=saveWorld --toggle-collect=tearDown --dump-after=loadWorld \
        --dump-after=runFrame --dump-after=saveWorld --dump-after=tearDown \
        --callgrind-out-file="$out/$tag.out" "$driver" "$@" >/dev/null 2>&1
    i=1
    : > "$out/$tag.crew"
    while [ -f "$out/$tag.out.$i" ]; do
        sed -n 's/^summary: *\([0-9]*\).*/\1/p' "$out/$tag.out.$i"
        # The crew library's own part of the dump: its returning-crew step, walk included.
        callgrind_annotate --inclusive=yes "$out/$tag.out.$i" 2>/dev/null |
            awk '/CrewManager::ProcessReturningCrew\(\)/ { gsub(",", "", $1); s += $1 }
                 END { print s + 0 }' >> "$out/$tag.crew"
        i=$((i + 1))
    done > "$out/$tag.counts"
    rm -f "$out/$tag.out".*
}

echo "instructions under callgrind; $frames frames at 60 Hz from the load on; bare: N + C plain vessels"
printf '%6s %5s %5s | %9s %9s %9s | %11s %11s %7s %7s | %7s | %7s %7s %7s\n' N C K \
    "load/v" "save/v" "down/v" "bare frame" "frame" "extra" "crew" "worst" "load" "save" "down"
for shape in "$@"; do
    set -- $shape
    n=$1 c=$2 k=$3 skip=${4:-}
    count bare $((n + c)) 0 "$k" "$frames" $skip
    count with "$n" "$c" "$k" "$frames" $skip
    paste "$out/bare.counts" "$out/with.counts" "$out/with.crew" | awk -v n="$n" -v c="$c" -v k="$k" \
        -v f="$frames" -v skip="$skip" '
        { b[NR] = $1; w[NR] = $2; crew[NR] = $3 }
        END {
            v = n + c + k
            for (i = 2; i <= f + 1; ++i) {
                bf += b[i]; wf += w[i]; cf += crew[i]
                if (w[i] > worst) worst = w[i]
            }
            bf /= f; wf /= f; cf /= f
            down = skip == "" ? sprintf("%7.2f", w[f + 3] / b[f + 3]) : "      -"
            downv = skip == "" ? sprintf("%9.0f", w[f + 3] / v) : "        -"
            printf "%6d %5d %5d | %9.0f %9.0f %s | %11.0f %11.0f %7.3f %7.3f | %7.2f | %7.2f %7.2f %s\n",
                n, c, k, w[1] / v, w[f + 2] / v, downv, bf, wf, (wf - bf) / bf, cf / bf,
                worst / wf, w[1] / b[1], w[f + 2] / b[f + 2], down
        }'
done
