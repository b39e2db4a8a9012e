#!/usr/bin/env bash
# The log chart at the line limit: writes a 2,160,000-line four-bench log (about 276 MB) to a
# scratch folder, runs the log_chart_bench benchmark on it (reading, opening and drawing with
# peak memory, zoom and pan redraws; medians of 5 repetitions), times `halyard-log --plot` on it
# end to end with its peak memory, and checks that the CSV export of it is byte for byte the one
# an earlier build gave, when $HALYARD_BASE_CSV names that file.
#   scripts/log_chart_bench.sh [build folder]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
log="$work/NIGHT.LOG"
python3 scripts/make_chart_log.py "$log"
echo "log: $(stat -c %s "$log") bytes, $(wc -l < "$log") lines"
HALYARD_CHART_LOG="$log" "$build/benchmarks/log_chart_bench" --benchmark_report_aggregates_only=true \
  2>&1 | grep -E 'Benchmark|median'
for i in 1 2 3; do
  /usr/bin/time -f "halyard-log --plot: %e s wall, %U s user, %M KB peak" \
    "$build/halyard-log" --plot "$log" --out "$work/night.png" 2>&1 | grep -v written
done
if [ -n "${HALYARD_BASE_CSV:-}" ]; then
  "$build/halyard-log" --log "$log" --csv "$work/night.csv" 2>/dev/null
  cmp "$HALYARD_BASE_CSV" "$work/night.csv" && echo "CSV export unchanged"
fi
