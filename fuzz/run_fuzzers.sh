#!/bin/sh
# Runs the libFuzzer targets, two at a time, each for SECONDS (default 600), on a working
# corpus in WORKDIR seeded from fuzz/corpus/<target>. Findings land in
# WORKDIR/<target>/artifacts/, the log in WORKDIR/<target>/log; the last lines of each log
# give the number of executions and the corpus size.
#
#   fuzz/run_fuzzers.sh BUILD_DIR [WORKDIR] [SECONDS] [TARGET...]
set -eu

build=$(cd "${1:?usage: run_fuzzers.sh BUILD_DIR [WORKDIR] [SECONDS] [TARGET...]}" && pwd)
work=${2:-/tmp/vemofuzz-work}
seconds=${3:-600}
[ $# -gt 3 ] && shift 3 || set --
targets=${*:-crew_line capsule_block transfer_record version_file class_config scenario_text timeline}
source_dir=$(cd "$(dirname "$0")" && pwd)

mkdir -p "$work"
work=$(cd "$work" && pwd)

# Longest input per target: crew lines past the 399-character token buffer, records well
# past 104 bytes, whole scenario files and timelines.
max_len() {
    case $1 in
        version_file) echo 64 ;;
        transfer_record) echo 512 ;;
        crew_line) echo 2048 ;;
        *) echo 8192 ;;
    esac
}

run() {
    t=$1
    mkdir -p "$work/$t/corpus" "$work/$t/artifacts"
    cp -n "$source_dir/corpus/$t/"* "$work/$t/corpus/" 2>/dev/null || true
    # Absolute paths throughout: the targets change into a scratch folder of their own.
    "$build/fuzz/${t}_fuzzer" -max_total_time="$seconds" -max_len="$(max_len "$t")" \
        -print_final_stats=1 -artifact_prefix="$work/$t/artifacts/" \
        "$work/$t/corpus" >"$work/$t/log" 2>&1 || echo "$t: finding, see $work/$t/log"
    grep -E '^(stat::number_of_executed_units|stat::new_units_added|Done)' "$work/$t/log" |
        sed "s/^/$t: /"
}

set -- $targets
while [ $# -gt 0 ]; do
    run "$1" &
    first=$!
    if [ $# -gt 1 ]; then
        run "$2" &
        second=$!
        wait "$second" || true
        shift
    fi
    wait "$first" || true
    shift
done
