#!/usr/bin/env bash
# Soak run: four simulated benches streaming at line rate (19200 baud by default) into the headless logger
# halyard-log, for N minutes (default 10). Prints the data replies the highest bench sent against
# the rows logged, and the host's CPU and memory (ps samples every 10 s); then checks every bench's
# logged values against the values the simulator recorded for its good replies (scripts/soak_check.py)
# and exits non-zero when a value was not sent, came out of order or a row of the highest bench is missing.
#
# usage: scripts/soak.sh [minutes] [build folder, default build] [baud, default 19200]
# The build folder needs the targets halyard-log and kestrel-sim.
set -euo pipefail

minutes=${1:-10}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${2:-$root/build}
baud=${3:-19200}
[[ $minutes =~ ^[0-9]+$ && $minutes -gt 0 ]] || { echo "minutes must be a positive whole number" >&2; exit 2; }
app=$build/halyard-log
sim=$build/kestrel-sim
source "$root/scripts/bench_load_lib.sh"
need_programs "$app" "$sim"

# The work folder stays: it holds the log and the simulator's readings.
make_places keep
log=$work/soak.LOG

start_benches "$sim" "$work/sim.out" "$baud" --record "$work/readings"

# The headless logger: benches 1-4, new log file, File Log On, Start, as the window's user does.
"$app" --benches 1,2,3,4 --log "$log" >"$work/app.out" 2>&1 &
app_pid=$!

echo "soak: $minutes min, work folder $work"
samples=$work/ps.txt
end=$(( $(date +%s) + minutes * 60 ))
while (( $(date +%s) < end )); do
    kill -0 "$app_pid" 2>/dev/null || { echo "halyard-log ended early:" >&2; cat "$work/app.out" >&2; exit 1; }
    ps -o cputime=,rss= -p "$app_pid" >>"$samples"
    sleep 10
done
ps -o cputime=,rss= -p "$app_pid" >>"$samples"
ps -o etimes= -p "$app_pid" >"$work/elapsed.txt"

# Stop the benches first, so nothing is sent that the host cannot log any more.
kill -TERM "$sim_pid"
wait "$sim_pid" || true
sim_pid=
# halyard-log writes the Stop line and closes the log on SIGTERM.
kill -TERM "$app_pid"
status=0
wait "$app_pid" 2>/dev/null || status=$?
app_pid=
[[ $status -eq 0 ]] || { echo "halyard-log ended with status $status:" >&2; cat "$work/app.out" >&2; }

sent=$(sed -n 's/^bench 4: sent \([0-9]*\) data replies$/\1/p' "$work/sim.out")
# Data lines: everything but the creation line, the header line and the empty lines of Stop.
logged=$(grep -a -v -e '^MainLogfile ' -e '^    Time' -e $'^\r\\?$' -e $'^ \r\\?$' "$log" | wc -l)
to_seconds() { awk -F'[-:]' '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; print s }' <<<"$1"; }
cpu_s=$(to_seconds "$(tail -n1 "$samples" | awk '{print $1}')")
elapsed=$(tr -d ' ' <"$work/elapsed.txt")
# Growth is measured from the first minute on, once start-up allocations are done.
rss_first=$(awk 'NR == 1 || NR == 7 { v = $2 } NR == 7 { exit } END { print v }' "$samples")
rss_last=$(tail -n1 "$samples" | awk '{print $2}')
rss_max=$(awk '$2 > m { m = $2 } END { print m }' "$samples")

echo "bench 4 data replies sent:  ${sent:-unknown}"
echo "rows logged:                $logged"
if [[ -n $sent && $sent -gt 0 ]]; then
    awk -v s="$sent" -v l="$logged" 'BEGIN { printf "rows per reply:             %.4f (missing %d)\n", l / s, s - l }'
fi
awk -v c="$cpu_s" -v e="$elapsed" 'BEGIN { printf "host CPU:                   %d s in %d s (%.1f %% of one core)\n", c, e, (e > 0 ? 100 * c / e : 0) }'
echo "host RSS (KiB):             after 1 min $rss_first, last $rss_last, max $rss_max, growth $((rss_last - rss_first))"
echo "log file:                   $log ($(stat -c %s "$log") bytes)"
trap - EXIT
echo "values:"
python3 "$root/scripts/soak_check.py" "$log" "$work/readings" 4 | sed 's/^/    /'
exit "${PIPESTATUS[0]}"
