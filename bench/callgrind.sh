#!/bin/sh
# Instructions per post-step call, counted by callgrind: repeatable where timings are not.
#
#   bench/callgrind.sh [build folder] [steps]
#
# Runs the driver once per kind of vessel, counting only the loop of post-step calls, and
# prints instructions per call and the ratio to the empty vessel's. Build the driver first:
#   cmake --build <build folder> --target callgrind_driver
set -eu
build=${1:-build-rel}
steps=${2:-100000}
driver=$build/bench/callgrind_driver
if [ ! -x "$driver" ]; then
    echo "no $driver: build the callgrind_driver target first" >&2
    exit 1
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

count() {
    valgrind --tool=callgrind --toggle-collect=RunPostSteps \
        --callgrind-out-file="$out/$1.out" "$driver" "$1" "$steps" >/dev/null 2>&1
    # The summary line holds the instructions collected inside RunPostSteps.
    sed -n 's/^summary: *\([0-9]*\).*/\1/p' "$out/$1.out"
}

empty=$(count empty)
crewed=$(count crewed)
free=$(count free)
awk -v n="$steps" -v e="$empty" -v c="$crewed" -v f="$free" 'BEGIN {
    printf "instructions per post-step, %d calls each\n", n
    printf "  empty VESSEL2            %8.1f\n", e / n
    printf "  capsule, seat taken      %8.1f   ratio %.2f\n", c / n, c / e
    printf "  capsule, seat free       %8.1f   ratio %.2f   (scan timer runs, no scan due)\n", f / n, f / e
}'
