#!/usr/bin/env bash
# Runs the Wine checks of the win64 build on a virtual X server, in a Wine
# prefix of their own. The prefix is made (or brought up to date) while the
# X server is there: a prefix first used without a display cannot create
# windows later.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/common.sh"
require_commands cmake ninja python3 nginx danted microsocks /usr/lib/wine/wine64 wineserver wineboot xvfb-run Xvfb xauth xdotool \
    import convert objdump
export STASHWELL_WIN64_BUILD="${STASHWELL_WIN64_BUILD:-$root/build/win64}"
export STASHWELL_DIST="${STASHWELL_DIST:-$root/dist}"
export WINEPREFIX="${WINEPREFIX:-$root/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# The program once more, with banner addresses on the fixed loopback port
# where the banner checks (tests/e2e/test_banner_wine.py) run their server;
# both advertisers point there. Only the program is built in that folder.
export STASHWELL_WIN64_BANNER_BUILD="${STASHWELL_WIN64_BANNER_BUILD:-$root/build/win64-banner}"
if [ -z "${STASHWELL_INSIDE_XVFB:-}" ]; then
    banner="http://127.0.0.1:38471"
    cmake --preset win64 -B "$STASHWELL_WIN64_BANNER_BUILD" \
        -DSTASHWELL_BANNER_A_IMAGE="$banner/banner-a.gif" \
        -DSTASHWELL_BANNER_A_LINK="$banner/advertiser-a/" \
        -DSTASHWELL_BANNER_B_IMAGE="$banner/banner-b.gif" \
        -DSTASHWELL_BANNER_B_LINK="$banner/advertiser-b/" >/dev/null
    cmake --build "$STASHWELL_WIN64_BANNER_BUILD" --target Stashwell
fi

if [ -z "${STASHWELL_INSIDE_XVFB:-}" ]; then
    exec env STASHWELL_INSIDE_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

# One wine server for the whole run, so the clipboard outlives each program.
mkdir -p "$WINEPREFIX"
wineserver -k 2>/dev/null || true
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
prepare_wine_prefix
cd "$root/tests/e2e"
if [ $# -eq 0 ]; then
    set -- $(ls test_*_wine.py | sed 's/\.py$//')
fi
python3 -m unittest -v "$@"
