#!/usr/bin/env bash
# Compares two folders of scripts/record_outputs.sh. Runs are live, so times and readings differ from run
# to run: the logs and feed messages are compared by the shape of each line (every digit read as 9, each
# line kind once), and the CSV conversion byte for byte: the newer build converts the older run's logs
# again and must write exactly the older CSV.
#
# usage: scripts/compare_outputs.sh BEFORE_FOLDER AFTER_FOLDER [build of AFTER, default build]
set -euo pipefail
before=$1 after=$2
root=$(cd "$(dirname "$0")/.." && pwd)
build=${3:-$root/build}
logger=$(ls "$build"/logger/halyard-log "$build"/*/halyard-log "$build"/*/*/halyard-log 2>/dev/null | head -n1)
status=0
shape() { LC_ALL=C sed -e 's/[0-9]/9/g' "$1" | LC_ALL=C sort -u; }
for f in logger-none.LOG logger-stdev.LOG window.LOG feed.txt; do
    [[ -e $before/$f && -e $after/$f ]] || { echo "skip $f (not in both)"; continue; }
    if diff <(shape "$before/$f") <(shape "$after/$f") >/dev/null; then
        echo "same shape: $f"
    else
        echo "DIFFERENT shape: $f"; diff <(shape "$before/$f") <(shape "$after/$f") | head -20; status=1
    fi
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for f in logger-none logger-stdev; do
    [[ -e $before/$f.LOG ]] || continue
    cp "$before/$f.LOG" "$tmp/$f.LOG"
    "$logger" --log "$tmp/$f.LOG" --csv "$tmp/$f.csv" >/dev/null
    if cmp -s "$tmp/$f.csv" "$before/$f.csv"; then echo "same bytes: $f.csv"; else echo "DIFFERENT bytes: $f.csv"; status=1; fi
done
exit $status
