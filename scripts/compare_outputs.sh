#!/usr/bin/env bash
# Compares two folders of scripts/record_outputs.sh. Runs are live, so times and readings differ from run
# to run: the logs and feed messages are compared by the shape of each line (each number read as its count of
# decimals, each line kind once), and the CSV conversion byte for byte: the newer build converts the older run's logs
# again and must write exactly the older CSV.
#
# usage: scripts/compare_outputs.sh BEFORE_FOLDER AFTER_FOLDER [build of AFTER, default build]
set -euo pipefail
before=$1 after=$2
root=$(cd "$(dirname "$0")/.." && pwd)
build=${3:-$root/build}
logger=
for p in "$build/halyard-log"; do [[ -x $p ]] && { logger=$p; break; }; done
[[ -n $logger ]] || { echo "no halyard-log in $build" >&2; exit 2; }
status=0
# The creation line names the folder the run was recorded in; a number is read as its count of decimals
# (its width changes with its value).
shape() {
    python3 -c '
import re, sys
lines = set()
for line in open(sys.argv[1], encoding="latin-1"):
    line = re.sub(r"^MainLogfile .*/", "MainLogfile ", line)
    line = re.sub(r" *-?[0-9]+\.([0-9]+)", lambda m: " N." + "d" * len(m.group(1)), line)
    lines.add(re.sub(r" *-?[0-9]+", " N", line))
sys.stdout.write("".join(sorted(lines)))' "$1"
}
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
