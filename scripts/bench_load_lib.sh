# Sourced by the soak and load scripts: what they share to start simulated benches and watch a program.

# need_programs PROGRAM...: ends the script when one of them is not built.
# The load scripts' arguments: [seconds, default $1] [rounds, default 3] [baud, default 115200]
# [build folder, default build]; sets seconds, rounds, baud, build and the three programs' paths.
read_load_arguments() {
    local default_seconds=$1
    shift
    seconds=${1:-$default_seconds}
    rounds=${2:-3}
    baud=${3:-115200}
    build=${4:-$root/build}
    [[ $seconds =~ ^[0-9]+$ && $seconds -gt 0 && $rounds =~ ^[0-9]+$ && $rounds -gt 0 ]] \
        || { echo "seconds and rounds must be positive whole numbers" >&2; exit 2; }
    window=$build/halyard
    logger=$build/halyard-log
    sim=$build/kestrel-sim
}

need_programs() {
    local exe
    for exe in "$@"; do
        [[ -x $exe ]] || { echo "missing $exe (build the halyard, halyard-log and kestrel-sim targets)" >&2; exit 2; }
    done
}

# start_benches SIM OUT BAUD [more kestrel-sim options]: four benches streaming at line rate on
# $HALYARD_DEVICES/COM1..COM4; sets sim_pid and returns once the ports are there.
start_benches() {
    local sim=$1 out=$2 baud=$3
    shift 3
    "$sim" --benches 4 --line-rate --baud "$baud" --devices "$HALYARD_DEVICES" "$@" >"$out" 2>&1 &
    sim_pid=$!
    for _ in $(seq 100); do
        [[ -e $HALYARD_DEVICES/COM4 ]] && return 0
        sleep 0.1
    done
    echo "the simulator did not come up:" >&2
    cat "$out" >&2
    exit 1
}

# Processor time (user + system, in clock ticks) and resident memory (KiB) of a process.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
rss() { awk '/VmRSS/ { print $2 }' "/proc/$1/status"; }

# make_places [keep]: a work folder ($work) holding the devices and drive C folders the programs use; on
# exit the programs started ($sim_pid, $app_pid) are stopped and the folder removed, unless "keep" is given.
make_places() {
    work=$(mktemp -d)
    export HALYARD_DEVICES=$work/devices HALYARD_DRIVE_C=$work/drive_c
    export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
    mkdir -p "$HALYARD_DEVICES" "$HALYARD_DRIVE_C"
    sim_pid= app_pid=
    keep_work=${1:-}
    trap places_cleanup EXIT
}
places_cleanup() {
    [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null || true
    [[ -n $sim_pid ]] && kill "$sim_pid" 2>/dev/null || true
    [[ $keep_work == keep ]] || rm -rf "$work"
}
