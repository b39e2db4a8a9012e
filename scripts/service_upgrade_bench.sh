#!/usr/bin/env bash
# Four benches upgraded at once against one: halyard-service downloads a 64 KB firmware image
# (2048 S2 records of 32 bytes) into simulated benches that pace every frame at the line's rate
# both ways (kestrel-sim --pace), one bench alone and then four in parallel. Prints, per round,
# the wall time of each run, the wire time of one bench (every request and reply byte at 10 bits
# a byte), the ratio of the four-bench wall time to that wire time (target at most 1.1), and the
# program's own processor time as a share of one core (target under 2 %); then the medians and
# the load average (the machine may be shared).
#
# usage: scripts/service_upgrade_bench.sh [rounds, default 1] [baud, default 19200] [build folder]
# The build folder (default build) needs the targets halyard-service and kestrel-sim.
set -euo pipefail

rounds=${1:-1}
baud=${2:-19200}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${3:-$root/build}
[[ $rounds =~ ^[0-9]+$ && $rounds -gt 0 && $baud =~ ^[0-9]+$ ]] || { echo "rounds and baud must be whole numbers" >&2; exit 2; }
service=$build/halyard-service
sim=$build/kestrel-sim
source "$root/scripts/bench_load_lib.sh"
need_programs "$service" "$sim"
make_places

records=2048
bytes_per_record=32
firmware=$work/FIRMWARE.s19
python3 - "$firmware" "$records" "$bytes_per_record" <<'PY'
import random, sys
path, records, size = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
random.seed(22)
with open(path, "w") as f:
    f.write("S00F000068656C6C6F202020202000003C\n")
    for r in range(records):
        address = r * size
        data = bytes(random.randrange(256) for _ in range(size))
        body = bytes([3 + size + 1, address >> 16 & 0xFF, address >> 8 & 0xFF, address & 0xFF]) + data
        f.write("S2" + body.hex().upper() + "%02X" % (~sum(body) & 0xFF) + "\n")
    f.write("S804000000FB\n")
PY

# One bench's frames: each write is a request of 4 + 3 + 32 bytes and a 4-byte acknowledgement;
# boot mode, erase, end of download and reset are 4 bytes each way.
wire=$(awk -v n="$records" -v d="$bytes_per_record" -v b="$baud" 'BEGIN { printf "%.2f", (n * (4 + 3 + d + 4) + 4 * 8) * 10 / b }')

"$sim" --benches 4 --pace --baud "$baud" --devices "$HALYARD_DEVICES" >"$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do
    [[ -e $HALYARD_DEVICES/COM4 ]] && break
    sleep 0.1
done
[[ -e $HALYARD_DEVICES/COM4 ]] || { echo "the simulator did not come up:" >&2; cat "$work/sim.out" >&2; exit 1; }

# run BENCHES: "wall user+system" seconds of one upgrade.
run() {
    local out=$work/run.out
    /usr/bin/time -f "%e %U %S" -o "$work/time" "$service" upgrade --benches "$1" --baud "$baud" "$firmware" >"$out" 2>&1 \
        || { echo "halyard-service failed:" >&2; cat "$out" >&2; exit 1; }
    awk '{ printf "%s %.2f\n", $1, $2 + $3 }' "$work/time"
}

ones=() fours=() ratios=() shares=()
echo "wire time of one bench: $wire s ($records records of $bytes_per_record bytes at $baud baud)"
for round in $(seq "$rounds"); do
    read -r one one_cpu < <(run 1)
    read -r four four_cpu < <(run 1-4)
    ratio=$(awk -v a="$four" -v w="$wire" 'BEGIN { printf "%.3f", a / w }')
    share=$(awk -v c="$four_cpu" -v a="$four" 'BEGIN { printf "%.2f", 100 * c / a }')
    echo "round $round: one bench $one s (cpu $one_cpu s), four benches $four s (cpu $four_cpu s), four/wire $ratio, cpu $share % of a core"
    ones+=("$one") fours+=("$four") ratios+=("$ratio") shares+=("$share")
done
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
echo "median: one bench $(median "${ones[@]}") s, four benches $(median "${fours[@]}") s, four/wire $(median "${ratios[@]}") (target <= 1.1), cpu $(median "${shares[@]}") % of a core (target < 2)"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
