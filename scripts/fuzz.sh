#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each of them.
#   fuzz.sh replay        replays the committed seed corpus only
#   fuzz.sh seconds N     runs every target N seconds (default: 60)
#   fuzz.sh runs N        runs every target for N executions
# Target names after these (e.g. "fuzz.sh runs 10000000 receive history") run only those.
# New inputs found go to a scratch folder, not into the committed corpus. Prints executions and
# coverage per target; runs as many targets at once as there are cores; exits non-zero when a
# target fails, with its report.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-seconds}
amount=${2:-60}
shift $(( $# < 2 ? $# : 2 ))
only=("$@")
case "$mode" in
  replay) limit=(-runs=0) ;;
  seconds) limit=(-max_total_time="$amount") ;;
  runs) limit=(-runs="$amount") ;;
  *) echo "usage: $0 [replay | seconds N | runs N]" >&2; exit 2 ;;
esac

cmake -S . -B build-fuzz -G Ninja -DHALYARD_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc)"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# One target; its verdict goes to $scratch/NAME.result, its report to $scratch/NAME.log.
run_target() {
  local target=$1 name
  name=$(basename "$target" _fuzz)
  mkdir -p "$scratch/$name"
  local log="$scratch/$name.log"
  if "$target" "${limit[@]}" -print_final_stats=1 -artifact_prefix="$scratch/$name-" \
        "$scratch/$name" "fuzz/corpus/$name" >"$log" 2>&1; then
    local execs cov
    execs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
    cov=$(grep -Eo 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -n 1)
    echo "fuzz $name: $execs executions, ${cov:-cov: n/a}, 0 failures" >"$scratch/$name.result"
  else
    echo FAILED >"$scratch/$name.result"
  fi
}

# As many targets at once as there are cores: each runs on one.
names=()
for target in build-fuzz/fuzz/*_fuzz; do
  name=$(basename "$target" _fuzz)
  if (( ${#only[@]} )) && [[ ! " ${only[*]} " == *" $name "* ]]; then continue; fi
  names+=("$name")
  while (( $(jobs -rp | wc -l) >= $(nproc) )); do wait -n || true; done
  run_target "$target" &
done
wait

passed=0
for name in "${names[@]}"; do
  if [[ $(cat "$scratch/$name.result" 2>/dev/null) != fuzz* ]]; then
    tail -n 40 "$scratch/$name.log"
    for a in "$scratch/$name"-*; do [ -e "$a" ] && { echo "failing input ($a):"; od -An -c "$a" | head -n 20; }; done
    echo "fuzz target $name FAILED"
    echo "fuzz: $passed passed, 1 failed"
    exit 1
  fi
  cat "$scratch/$name.result"
  passed=$((passed + 1))
done
echo "fuzz: $passed passed, 0 failed"
