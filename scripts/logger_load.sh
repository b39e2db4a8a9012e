#!/usr/bin/env bash
# Processor share of halyard-log against the window program on the same load: four simulated benches at
# line rate into a log, no graphs. Each program runs `rounds` times for `seconds` after a warm-up; prints
# every round, the medians and their ratio, and halyard-log's memory at the start and end of its rounds.
#
# usage: scripts/logger_load.sh [seconds, default 60] [rounds, default 3] [baud, default 115200] [build folder]
# The build folder (default build) needs the targets halyard, halyard-log and kestrel-sim.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/bench_load_lib.sh"
read_load_arguments 60 "$@"
warmup=10
need_programs "$window" "$logger" "$sim"

make_places

ticks=$(getconf CLK_TCK)

# One round: fresh simulator and log; prints "share lines_per_s rss_start rss_end".
round() {
    local which=$1 log=$work/load.LOG
    rm -f "$log" "$HALYARD_DEVICES"/COM*
    start_benches "$sim" "$work/sim.out" "$baud"
    if [[ $which == window ]]; then
        HALYARD_AUTOSTART="1,2,3,4;log=$log" "$window" >"$work/app.out" 2>&1 &
    else
        "$logger" --benches 1,2,3,4 --log "$log" >"$work/app.out" 2>&1 &
    fi
    app_pid=$!
    sleep "$warmup"
    kill -0 "$app_pid" 2>/dev/null || { echo "$which ended early:" >&2; cat "$work/app.out" >&2; exit 1; }
    local t0 c0 l0 r0 t1 c1 l1 r1
    t0=$(date +%s.%N); c0=$(cpu_ticks "$app_pid"); l0=$(grep -a -c $'\r$' "$log" || true); r0=$(rss "$app_pid")
    sleep "$seconds"
    t1=$(date +%s.%N); c1=$(cpu_ticks "$app_pid"); l1=$(grep -a -c $'\r$' "$log" || true); r1=$(rss "$app_pid")
    kill -TERM "$sim_pid"; wait "$sim_pid" 2>/dev/null || true; sim_pid=
    kill -TERM "$app_pid"; wait "$app_pid" 2>/dev/null || true; app_pid=
    awk -v c=$((c1 - c0)) -v hz="$ticks" -v t0="$t0" -v t1="$t1" -v l=$((l1 - l0)) -v r0="$r0" -v r1="$r1" \
        'BEGIN { e = t1 - t0; printf "%.2f %.0f %d %d\n", 100 * c / hz / e, l / e, r0, r1 }'
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: >"$work/window.txt"
: >"$work/logger.txt"
for i in $(seq "$rounds"); do
    for which in window logger; do
        r=$(round "$which")
        echo "$r" >>"$work/$which.txt"
        echo "round $i $which: $(awk '{ printf "%.1f %% of one core, %d log lines/s, RSS %d -> %d KiB", $1, $2, $3, $4 }' <<<"$r")"
    done
done
w=$(awk '{ print $1 }' "$work/window.txt" | median)
l=$(awk '{ print $1 }' "$work/logger.txt" | median)
awk -v w="$w" -v l="$l" -v b="$baud" -v s="$seconds" -v n="$rounds" 'BEGIN {
    printf "4 benches at %d baud, %d rounds of %d s: window median %.1f %%, halyard-log median %.1f %% of one core, ratio %.2f\n",
           b, n, s, w, l, (w > 0 ? l / w : 0)
}'
