#!/usr/bin/env bash
# Every test: builds the four presets and the Windows release archive, runs
# the simulator tests under AddressSanitizer and UndefinedBehaviorSanitizer,
# then the Wine checks of the win64 build (the archive's among them).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
scripts/setup.sh

# Every command the run needs, checked before any work starts.
source scripts/common.sh
require_commands cmake ctest ninja ccache g++ \
    x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-windres \
    i686-w64-mingw32-g++-posix i686-w64-mingw32-windres \
    python3 nginx danted microsocks /usr/lib/wine/wine64 wineserver wineboot \
    xvfb-run Xvfb xauth xdotool import convert identify objdump file

for preset in sim-asan sim win64 win32; do
    echo "=== build $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done

echo "=== release archive"
scripts/package.sh

echo "=== simulator tests (sanitizers on)"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --preset sim-asan -j2
echo "=== conformance rules per area (simulator; the Wine checks print theirs)"
grep -h "^conformance " build/sim-asan/Testing/Temporary/LastTest.log

echo "=== Wine checks (win64 build)"
scripts/wine-tests.sh
echo "=== all tests passed"
