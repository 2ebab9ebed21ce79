#!/bin/sh
# Instructions counted by callgrind: repeatable where timings are not.
#
#   bench/callgrind.sh [build folder] [post-step calls] [host steps]
#   bench/callgrind.sh [build folder] scale [frames] ["N C K" ...]
#
# Prints instructions per post-step call of an empty vessel, of a vessel that only sets one
# animation (and of one that also paces a timer by the host's step), and of a stowed capsule;
# per vessel and host step of a world of 100 empty vessels and of 100 crewed capsules, with
# the ratios to the empty vessel's; and per vessel of a whole returning-crew walk over 100,
# 1,000 and 10,000 vessels (flat when the walk is linear). Build the driver first:
#   cmake --build <build folder> --target callgrind_driver
set -eu
build=${1:-build-rel}
calls=${2:-100000}
steps=${3:-2000}
driver=$build/bench/callgrind_driver
if [ ! -x "$driver" ]; then
    echo "no $driver: build the callgrind_driver target first" >&2
    exit 1
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# count <kind> <function collected> <arguments...>
count() {
    kind=$1
    collect=$2
    shift 2
    valgrind --tool=callgrind --toggle-collect="$collect" \
        --callgrind-out-file="$out/$kind.out" "$driver" "$kind" "$@" >/dev/null 2>&1
    # The summary line holds the instructions collected inside the named function.
    sed -n 's/^summary: *\([0-9]*\).*/\1/p' "$out/$kind.out"
}

# The crew system at scale (the worlds of bench_scale): instructions per simulated second of
# N plain vessels with C capsules that have a seat free and K crew members outside, at 60 Hz,
# against the same world without capsules, and what the capsules add as a multiple of the
# host's own work.
if [ "${2:-}" = scale ]; then
    frames=${3:-120}
    shift $(($# < 3 ? $# : 3))
    if [ $# -eq 0 ]; then
        set -- "100 1 0" "100 10 0" "100 100 0" "100 1000 0" \
            "1000 1 0" "1000 10 0" "1000 100 0" "1000 1000 0" \
            "10000 1 0" "10000 10 0" "10000 100 0" "10000 1000 0" \
            "10000 100 100" "10000 100 1000"
    fi
    echo "instructions per simulated second at 60 Hz, $frames frames after a second of warm-up"
    printf '%6s %5s %5s | %14s %14s %14s | %s\n' N C K "bare host" "with capsules" "extra" \
        "extra / bare"
    bareKey=
    for shape in "$@"; do
        set -- $shape
        if [ "$bareKey" != "$1 $3" ]; then
            bare=$(count world runSteps "$1" 0 "$3" "$frames")
            bareKey="$1 $3"
        fi
        with=$(count world runSteps "$1" "$2" "$3" "$frames")
        awk -v n="$1" -v c="$2" -v k="$3" -v f="$frames" -v b="$bare" -v w="$with" 'BEGIN {
            s = 60 / f
            printf "%6d %5d %5d | %14.0f %14.0f %14.0f | %.3f\n", n, c, k, b * s, w * s, (w - b) * s, (w - b) / b
        }'
    done
    exit 0
fi

empty=$(count empty runPostSteps "$calls")
floor=$(count floor runPostSteps "$calls")
paced=$(count paced runPostSteps "$calls")
crewed=$(count crewed runPostSteps "$calls")
free=$(count free runPostSteps "$calls")
runEmpty=$(count run-empty runSteps "$steps")
runCrewed=$(count run-crewed runSteps "$steps")
scan100=$(($(count scan runSteps 100) - $(count scan-bare runSteps 100)))
scan1k=$(($(count scan runSteps 1000) - $(count scan-bare runSteps 1000)))
scan10k=$(($(count scan runSteps 10000) - $(count scan-bare runSteps 10000)))
awk -v n="$calls" -v e="$empty" -v fl="$floor" -v p="$paced" -v c="$crewed" -v f="$free" \
    -v s="$steps" -v re="$runEmpty" -v rc="$runCrewed" \
    -v s1="$scan100" -v s2="$scan1k" -v s3="$scan10k" 'BEGIN {
    printf "instructions per post-step, %d calls each\n", n
    printf "  empty VESSEL2            %8.1f\n", e / n
    printf "  one SetAnimation only    %8.1f   ratio %.2f   (the one host call a capsule must make)\n", fl / n, fl / e
    printf "  capsule, seat taken      %8.1f   ratio %.2f   (%.2f of the SetAnimation-only vessel)\n", c / n, c / e, c / fl
    printf "  SetAnimation and a timer %8.1f   ratio %.2f   (the host calls a capsule with a free seat must make)\n", p / n, p / e
    printf "  capsule, seat free       %8.1f   ratio %.2f   (%.2f of the paced vessel; walk made)\n", f / n, f / e, f / p
    printf "instructions per vessel and host step, 100 vessels, %d steps\n", s
    printf "  empty VESSEL2            %8.1f\n", re / (100 * s)
    printf "  capsule, seat taken      %8.1f   ratio %.2f\n", rc / (100 * s), rc / re
    # The driver makes 10 frames, each a whole walk over the list.
    printf "instructions per vessel of one whole returning-crew walk, with the capsule'"'"'s tests\n"
    printf "  100 vessels              %8.1f\n", s1 / (10 * 100)
    printf "  1,000 vessels            %8.1f\n", s2 / (10 * 1000)
    printf "  10,000 vessels           %8.1f\n", s3 / (10 * 10000)
}'
