#!/usr/bin/env bash
# Installs what is missing, builds Halyard and starts it on a real window with
# four simulated benches attached as COM1..COM4.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
# The same build type as the test command, so running one after the other builds the tree once.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target halyard kestrel-sim

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<'MSG'
Halyard needs a graphical display, and this session has none (DISPLAY and WAYLAND_DISPLAY are empty).
Run this command from a desktop terminal, or over ssh -X, or under a virtual display:
    apt-get install -y xvfb && xvfb-run -a bash scripts/run.sh
The tests need no display: bash scripts/test.sh
MSG
  exit 1
fi

data="${XDG_DATA_HOME:-$HOME/.local/share}/halyard"
export HALYARD_DEVICES="${HALYARD_DEVICES:-$data/demo-devices}"
export HALYARD_DRIVE_C="${HALYARD_DRIVE_C:-$data/drive_c}"
mkdir -p "$HALYARD_DEVICES" "$HALYARD_DRIVE_C"

./build/kestrel-sim --benches 4 --devices "$HALYARD_DEVICES" &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  [ -e "$HALYARD_DEVICES/COM4" ] && break
  sleep 0.1
done
echo "Four simulated benches on $HALYARD_DEVICES/COM1..COM4."
echo "In Halyard: tick Active Kestrel 1 to 4, press OK, then Start."
./build/halyard
