#!/usr/bin/env bash
# Processor time of halyard-log and of the window program side by side, on the same load at the same
# time: each gets four simulated benches of its own streaming at line rate into a log, the window runs
# under Xvfb (a real X server) with both trend windows shown. Each round measures, after a warm-up:
# the share of one core, read system calls per reply received (/proc/PID/io syscr, every read the
# process made), context switches per second, then stops the benches and checks each log against what
# its benches sent (scripts/soak_check.py): every logged value as sent, and replies of the highest
# bench left without a row (lost). Prints every round, the medians, their ratio and the load average.
#
# usage: scripts/line_rate_cpu.sh [seconds, default 180] [rounds, default 3] [baud, default 115200] [build folder]
# The build folder (default build) needs the targets halyard, halyard-log and kestrel-sim. Xvfb is
# installed when missing (Debian package xvfb).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/bench_load_lib.sh"
read_load_arguments 180 "$@"
warmup=15
need_programs "$window" "$logger" "$sim"

if ! command -v Xvfb >/dev/null; then
    echo "installing xvfb" >&2
    sudo_cmd=""
    [[ $(id -u) -ne 0 ]] && sudo_cmd=sudo
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends xvfb >/dev/null
fi

work=$(mktemp -d)
pids=()
cleanup() {
    local p
    for p in "${pids[@]}"; do
        kill "$p" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

# A display of our own.
display=
for n in $(seq 90 140); do
    [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.out" 2>&1 &
    xvfb_pid=$!
    pids+=("$xvfb_pid")
    for _ in $(seq 50); do
        [[ -e /tmp/.X11-unix/X$n ]] && break
        sleep 0.1
    done
    if kill -0 "$xvfb_pid" 2>/dev/null && [[ -e /tmp/.X11-unix/X$n ]]; then
        display=:$n
        break
    fi
done
[[ -n $display ]] || { echo "Xvfb did not start:" >&2; cat "$work/xvfb.out" >&2; exit 1; }

ticks=$(getconf CLK_TCK)
syscr() { awk '/^syscr:/ { print $2 }' "/proc/$1/io"; }
# Context switches of every thread of a process.
switches() { cat /proc/"$1"/task/*/status 2>/dev/null | awk '/ctxt_switches/ { s += $2 } END { print s + 0 }'; }
# Data replies the four benches of a side have sent so far (the simulator's record, one line each).
replies() { cat "$1"/COM?.readings 2>/dev/null | wc -l; }

# start_side NAME: a folder with devices, drive C and readings, and four benches streaming into it.
start_side() {
    local side=$work/$1
    mkdir -p "$side/devices" "$side/drive_c"
    HALYARD_DEVICES=$side/devices "$sim" --benches 4 --line-rate --baud "$baud" --devices "$side/devices" \
        --record "$side/readings" >"$side/sim.out" 2>&1 &
    eval "${1}_sim=$!"
    pids+=("$!")
    for _ in $(seq 100); do
        [[ -e $side/devices/COM4 ]] && return 0
        sleep 0.1
    done
    echo "the simulator did not come up:" >&2
    cat "$side/sim.out" >&2
    exit 1
}

# stop PID: ends a process started here and waits for it.
stop() {
    kill -TERM "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}

# One round; prints "log_share log_reads_per_reply log_switches_per_s log_lost log_ok
#                    win_share win_reads_per_reply win_switches_per_s win_lost win_ok".
round() {
    rm -rf "$work/logger" "$work/window"
    start_side logger
    start_side window
    HALYARD_DEVICES=$work/logger/devices HALYARD_DRIVE_C=$work/logger/drive_c QT_QPA_PLATFORM=offscreen \
        "$logger" --benches 1,2,3,4 --log "$work/logger/load.LOG" >"$work/logger/app.out" 2>&1 &
    local lpid=$!
    pids+=("$lpid")
    HALYARD_DEVICES=$work/window/devices HALYARD_DRIVE_C=$work/window/drive_c QT_QPA_PLATFORM=xcb DISPLAY=$display \
        HALYARD_AUTOSTART="1,2,3,4;log=$work/window/load.LOG;graphs" "$window" >"$work/window/app.out" 2>&1 &
    local wpid=$!
    pids+=("$wpid")
    sleep "$warmup"
    local p
    for p in $lpid $wpid; do
        kill -0 "$p" 2>/dev/null || { echo "a program ended early:" >&2; cat "$work"/*/app.out >&2; exit 1; }
    done
    local t0 t1 lc0 lc1 wc0 wc1 lr0 lr1 wr0 wr1 ls0 ls1 ws0 ws1 ln0 ln1 wn0 wn1
    t0=$(date +%s.%N)
    lc0=$(cpu_ticks $lpid); wc0=$(cpu_ticks $wpid); lr0=$(syscr $lpid); wr0=$(syscr $wpid)
    ls0=$(switches $lpid); ws0=$(switches $wpid)
    ln0=$(replies "$work/logger/readings"); wn0=$(replies "$work/window/readings")
    sleep "$seconds"
    t1=$(date +%s.%N)
    lc1=$(cpu_ticks $lpid); wc1=$(cpu_ticks $wpid); lr1=$(syscr $lpid); wr1=$(syscr $wpid)
    ls1=$(switches $lpid); ws1=$(switches $wpid)
    ln1=$(replies "$work/logger/readings"); wn1=$(replies "$work/window/readings")
    # The programs first: benches that fell silent would make rows without their block (the window has
    # no stop signal and may leave its last line cut, which the check leaves out).
    stop $lpid; stop $wpid
    stop "$logger_sim"; stop "$window_sim"
    pids=("$xvfb_pid")
    local lcheck wcheck lok=0 wok=0
    lcheck=$(python3 "$root/scripts/soak_check.py" "$work/logger/load.LOG" "$work/logger/readings" 4) && lok=1
    wcheck=$(python3 "$root/scripts/soak_check.py" "$work/window/load.LOG" "$work/window/readings" 4) && wok=1
    echo "$lcheck" | sed 's/^/    halyard-log /' >&2
    echo "$wcheck" | sed 's/^/    window      /' >&2
    local llost wlost
    llost=$(sed -n 's/.*; \(-\?[0-9]*\) of its replies in that span without a row.*/\1/p' <<<"$lcheck")
    wlost=$(sed -n 's/.*; \(-\?[0-9]*\) of its replies in that span without a row.*/\1/p' <<<"$wcheck")
    awk -v hz="$ticks" -v t0="$t0" -v t1="$t1" \
        -v lc=$((lc1 - lc0)) -v wc=$((wc1 - wc0)) -v lr=$((lr1 - lr0)) -v wr=$((wr1 - wr0)) \
        -v ls=$((ls1 - ls0)) -v ws=$((ws1 - ws0)) -v ln=$((ln1 - ln0)) -v wn=$((wn1 - wn0)) \
        -v ll="${llost:-?}" -v wl="${wlost:-?}" -v lok=$lok -v wok=$wok 'BEGIN {
        e = t1 - t0
        printf "%.2f %.3f %.0f %s %d %.2f %.3f %.0f %s %d\n",
            100 * lc / hz / e, (ln > 0 ? lr / ln : 0), ls / e, ll, lok,
            100 * wc / hz / e, (wn > 0 ? wr / wn : 0), ws / e, wl, wok
    }'
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "4 benches each at $baud baud, $rounds rounds of $seconds s; load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
: >"$work/rounds.txt"
for i in $(seq "$rounds"); do
    round >>"$work/rounds.txt"
    r=$(tail -n1 "$work/rounds.txt")
    awk -v i="$i" -v l="$(cut -d' ' -f1-3 /proc/loadavg)" '{
        printf "round %d: halyard-log %.2f %% of one core, %.3f reads/reply, %d switches/s, %s lost, values %s | ", i, $1, $2, $3, $4, ($5 ? "as sent" : "WRONG")
        printf "window %.2f %%, %.3f reads/reply, %d switches/s, %s lost, values %s | ratio %.2f | load %s\n", $6, $7, $8, $9, ($10 ? "as sent" : "WRONG"), ($6 > 0 ? $1 / $6 : 0), l
    }' <<<"$r"
done
col() { awk -v c="$1" '{ print $c }' "$work/rounds.txt" | median; }
awk -v l="$(col 1)" -v lr="$(col 2)" -v w="$(col 6)" -v wr="$(col 7)" -v ls="$(col 3)" -v ws="$(col 8)" \
    -v load="$(cut -d' ' -f1-3 /proc/loadavg)" 'BEGIN {
    printf "medians: halyard-log %.2f %% of one core (%.3f reads/reply, %d switches/s), window with both trend windows %.2f %% (%.3f reads/reply, %d switches/s), ratio %.2f; load average at end: %s\n",
           l, lr, ls, w, wr, ws, (w > 0 ? l / w : 0), load
}'
# Per-round ratios are medianed too: on a shared machine they hold better than the absolute shares.
awk '{ print ($6 > 0 ? $1 / $6 : 0) }' "$work/rounds.txt" | median | awk '{ printf "median of the per-round ratios: %.2f\n", $1 }'
bad=$(awk '$5 != 1 || $10 != 1 || $4 != 0 || $9 != 0' "$work/rounds.txt" | wc -l)
[[ $bad -eq 0 ]] || { echo "some rounds lost replies or logged a value that was not sent" >&2; exit 1; }
