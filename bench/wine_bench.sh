#!/usr/bin/env bash
# Times the win64 programs under Wine beside the least they have to do (see
# wine_bench.py), on a virtual X server and in a Wine prefix of its own
# (build/wineprefix-bench). Needs the win64 build. Not part of the tests.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/common.sh"
require_commands python3 /usr/lib/wine/wine64 wineserver wineboot xvfb-run Xvfb xauth xdotool \
    nginx curl
export STASHWELL_WIN64_BUILD="${STASHWELL_WIN64_BUILD:-$root/build/win64}"
export WINEPREFIX="$root/build/wineprefix-bench"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

if [ -z "${STASHWELL_INSIDE_XVFB:-}" ]; then
    exec env STASHWELL_INSIDE_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

mkdir -p "$WINEPREFIX"
wineserver -k 2>/dev/null || true
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
prepare_wine_prefix
python3 "$root/bench/wine_bench.py" "$@"
