#!/usr/bin/env bash
# Installs what is missing, builds Halyard and runs every test headless, then the install and
# package test, then the whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer, then replays the fuzz
# corpus and runs each fuzz target for a short while. Prints how long each step took.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS
step() { echo "== $1 (at $((SECONDS - started)) s)"; }

step "packages"
bash scripts/deps.sh
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

# The optimised run carries no debug information: a failure it finds is chased in the sanitizer
# build, which has it.
step "optimised build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$jobs"
step "tests"
ctest --test-dir build --output-on-failure -j"$jobs" --timeout 300
# Install into a temporary prefix, build the Debian package, and (as root) install, try and remove it.
step "package"
bash scripts/package_test.sh build

# The sanitizer build skips the benchmarks: they measure the optimised build.
step "sanitizer build"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DHALYARD_SANITIZE=ON -DHALYARD_BENCHMARKS=OFF
cmake --build build-asan -j"$jobs"
step "sanitizer tests"
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs" --timeout 600

# Fuzz targets (clang, ASan + UBSan): the seed corpus, then a short run each.
step "fuzz targets"
bash scripts/fuzz.sh seconds 15
step "done"
