#!/usr/bin/env bash
# Builds the win64 program and runs it under Wine; without a display it runs
# on a virtual X server. Arguments are passed to the program.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
scripts/setup.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64
export WINEDEBUG=-all
program="$root/build/win64/tools/cbdtool.exe"
if [ -z "${DISPLAY:-}" ]; then
    echo "No display: running on a virtual X server."
    exec xvfb-run -a /usr/lib/wine/wine64 "$program" "$@"
fi
exec /usr/lib/wine/wine64 "$program" "$@"
