#!/bin/sh
# Instructions counted by callgrind: repeatable where timings are not.
#
#   bench/callgrind.sh [build folder] [post-step calls] [host steps]
#
# Prints instructions per post-step call of an empty vessel, of a vessel that only sets one
# animation (and of one that also paces a timer by the host's step), and of a stowed capsule;
# per vessel and host step of a world of 100 empty vessels and of 100 crewed capsules, with
# the ratios to the empty vessel's; and per vessel of a returning-crew scan over 100, 1,000
# and 10,000 vessels (flat when the walk is linear). Build the driver first:
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

# count <kind> <function collected> <repetitions>
count() {
    valgrind --tool=callgrind --toggle-collect="$2" \
        --callgrind-out-file="$out/$1.out" "$driver" "$1" "$3" >/dev/null 2>&1
    # The summary line holds the instructions collected inside the named function.
    sed -n 's/^summary: *\([0-9]*\).*/\1/p' "$out/$1.out"
}

empty=$(count empty runPostSteps "$calls")
floor=$(count floor runPostSteps "$calls")
paced=$(count paced runPostSteps "$calls")
crewed=$(count crewed runPostSteps "$calls")
free=$(count free runPostSteps "$calls")
runEmpty=$(count run-empty runSteps "$steps")
runCrewed=$(count run-crewed runSteps "$steps")
scan100=$(count scan runPostSteps 100)
scan1k=$(count scan runPostSteps 1000)
scan10k=$(count scan runPostSteps 10000)
awk -v n="$calls" -v e="$empty" -v fl="$floor" -v p="$paced" -v c="$crewed" -v f="$free" \
    -v s="$steps" -v re="$runEmpty" -v rc="$runCrewed" \
    -v s1="$scan100" -v s2="$scan1k" -v s3="$scan10k" 'BEGIN {
    printf "instructions per post-step, %d calls each\n", n
    printf "  empty VESSEL2            %8.1f\n", e / n
    printf "  one SetAnimation only    %8.1f   ratio %.2f   (the one host call a capsule must make)\n", fl / n, fl / e
    printf "  capsule, seat taken      %8.1f   ratio %.2f   (%.2f of the SetAnimation-only vessel)\n", c / n, c / e, c / fl
    printf "  SetAnimation and a timer %8.1f   ratio %.2f   (the host calls a capsule with a free seat must make)\n", p / n, p / e
    printf "  capsule, seat free       %8.1f   ratio %.2f   (%.2f of the paced vessel; no scan due)\n", f / n, f / e, f / p
    printf "instructions per vessel and host step, 100 vessels, %d steps\n", s
    printf "  empty VESSEL2            %8.1f\n", re / (100 * s)
    printf "  capsule, seat taken      %8.1f   ratio %.2f\n", rc / (100 * s), rc / re
    # The driver makes 10 scans over the list.
    printf "instructions per vessel of one returning-crew scan\n"
    printf "  100 vessels              %8.1f\n", s1 / (10 * 100)
    printf "  1,000 vessels            %8.1f\n", s2 / (10 * 1000)
    printf "  10,000 vessels           %8.1f\n", s3 / (10 * 10000)
}'
