#!/usr/bin/env bash
# Every test: builds the four presets, runs the simulator tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, then the Wine checks of
# the win64 build.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
scripts/setup.sh

for preset in sim-asan sim win64 win32; do
    echo "=== build $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done

echo "=== simulator tests (sanitizers on)"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --preset sim-asan -j2

echo "=== Wine checks (win64 build)"
scripts/wine-tests.sh
echo "=== all tests passed"
