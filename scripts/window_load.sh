#!/usr/bin/env bash
# Processor share of the window program with simulated benches streaming at line rate into a log,
# optionally with both trend windows shown. Measures the program's CPU time over a window that starts
# after a warm-up, so start-up work is not counted.
#
# usage: scripts/window_load.sh [seconds, default 60] [baud, default 115200] [graphs|nographs] [build folder]
# The build folder (default build) needs the targets halyard and kestrel-sim.
set -euo pipefail

seconds=${1:-60}
baud=${2:-115200}
graphs=${3:-graphs}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${4:-$root/build}
warmup=10
[[ $seconds =~ ^[0-9]+$ && $seconds -gt 0 ]] || { echo "seconds must be a positive whole number" >&2; exit 2; }
app=$build/halyard
sim=$build/kestrel-sim
source "$root/scripts/bench_load_lib.sh"
need_programs "$app" "$sim"

make_places

start_benches "$sim" "$work/sim.out" "$baud"

setting="1,2,3,4;log=$work/load.LOG"
[[ $graphs == graphs ]] && setting+=";graphs"
HALYARD_AUTOSTART=$setting "$app" >"$work/app.out" 2>&1 &
app_pid=$!

ticks=$(getconf CLK_TCK)
lines() { grep -a -c $'\r$' "$work/load.LOG" 2>/dev/null || echo 0; }
sim_ticks() { cpu_ticks "$sim_pid"; }

sleep "$warmup"
kill -0 "$app_pid" 2>/dev/null || { echo "halyard ended early:" >&2; cat "$work/app.out" >&2; exit 1; }
t0=$(date +%s.%N); c0=$(cpu_ticks "$app_pid"); s0=$(sim_ticks); l0=$(lines)
sleep "$seconds"
t1=$(date +%s.%N); c1=$(cpu_ticks "$app_pid"); s1=$(sim_ticks); l1=$(lines)
rss=$(rss "$app_pid")

awk -v c=$((c1 - c0)) -v s=$((s1 - s0)) -v hz="$ticks" -v t0="$t0" -v t1="$t1" -v l=$((l1 - l0)) \
    -v g="$graphs" -v b="$baud" -v r="$rss" 'BEGIN {
    e = t1 - t0
    printf "window program, 4 benches at %d baud, %s: %.1f %% of one core (simulator %.1f %%), %.0f log lines/s, RSS %d KiB\n",
           b, g, 100 * c / hz / e, 100 * s / hz / e, l / e, r
}'
