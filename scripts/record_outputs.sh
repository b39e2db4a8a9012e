#!/usr/bin/env bash
# Records what the programs write on a short simulated run, to compare builds before and after a change
# that must not alter them (scripts/compare_outputs.sh):
#   logger-none.LOG, logger-stdev.LOG  halyard-log's logs (no averaging; mean+stdev of 3 samples)
#   *.csv                              each log converted by halyard-log --csv
#   feed.txt                           the feed messages of the first run ("topic<TAB>payload")
#   window.LOG                         the window program's log (HALYARD_AUTOSTART), when it is built
#
# usage: scripts/record_outputs.sh OUT_FOLDER [build folder, default build] [seconds per run, default 6]
set -euo pipefail

out=$1
root=$(cd "$(dirname "$0")/.." && pwd)
build=${2:-$root/build}
seconds=${3:-6}
find_exe() { for p in "$build/$1" "$build"/*/"$(basename "$1")" "$build"/*/*/"$(basename "$1")"; do [[ -x $p ]] && { echo "$p"; return; }; done; echo "$build/$1"; }
logger=$(find_exe halyard-log)
sim=$(find_exe kestrel-sim)
window=$(find_exe halyard)
source "$root/scripts/bench_load_lib.sh"
need_programs "$logger" "$sim"
mkdir -p "$out"
out=$(cd "$out" && pwd)
make_places

broker_pid= capture_pid=
stop_feed() {
    [[ -n $capture_pid ]] && kill -TERM "$capture_pid" 2>/dev/null && wait "$capture_pid" 2>/dev/null || true
    [[ -n $broker_pid ]] && kill "$broker_pid" 2>/dev/null && wait "$broker_pid" 2>/dev/null || true
    capture_pid= broker_pid=
}
trap 'stop_feed; places_cleanup' EXIT

feed_args=()
broker=$(command -v mosquitto || echo /usr/sbin/mosquitto)
if [[ -x $broker ]]; then
    port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
    printf 'listener %s 127.0.0.1\nallow_anonymous true\n' "$port" >"$work/broker.conf"
    "$broker" -c "$work/broker.conf" >"$work/broker.out" 2>&1 &
    broker_pid=$!
    sleep 0.5
    python3 "$root/scripts/mqtt_capture.py" "$port" "$out/feed.txt" &
    capture_pid=$!
    sleep 0.3
    feed_args=(--mqtt-host 127.0.0.1 --mqtt-port "$port" --station rig)
fi

run_logger() { # name, more options
    local name=$1
    shift
    rm -f "$out/$name.LOG"
    start_benches "$sim" "$work/sim-$name.out" 19200 --seed 7
    "$logger" --benches 1,2,3,4 --log "$out/$name.LOG" "$@" >"$work/$name.out" 2>&1 &
    app_pid=$!
    sleep "$seconds"
    kill -TERM "$app_pid"; wait "$app_pid" || true; app_pid=
    kill -TERM "$sim_pid"; wait "$sim_pid" || true; sim_pid=
    "$logger" --log "$out/$name.LOG" --csv "$out/$name.csv" >/dev/null
}

run_logger logger-none "${feed_args[@]}"
sleep 0.5
stop_feed
run_logger logger-stdev --averaging mean+stdev --samples 3

if [[ -x $window ]]; then
    rm -f "$out/window.LOG"
    start_benches "$sim" "$work/sim-window.out" 19200 --seed 7
    HALYARD_AUTOSTART="1,2,3,4;log=$out/window.LOG;mode=mean;samples=2" "$window" >"$work/window.out" 2>&1 &
    app_pid=$!
    sleep "$seconds"
    kill -TERM "$app_pid"; wait "$app_pid" || true; app_pid=
    kill -TERM "$sim_pid"; wait "$sim_pid" || true; sim_pid=
fi
ls -l "$out"
