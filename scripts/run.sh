#!/usr/bin/env bash
# Builds the win64 program and runs it under Wine, in a Wine desktop window
# of its own (so that its windows have frames even without a window manager)
# and in a Wine prefix of its own, build/wineprefix-run, made while a display
# is there: a prefix first used without one cannot create windows later.
# Without a display it runs on a virtual X server and saves a screenshot once
# the main window is up. Arguments are passed to the program (for example a
# .cbd file to put on the clipboard).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

if [ -z "${STASHWELL_INSIDE_XVFB:-}" ]; then
    scripts/setup.sh
    source scripts/common.sh
    require_commands cmake ninja x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-windres \
        /usr/lib/wine/wine64 wineserver wineboot xvfb-run Xvfb xauth xwininfo import
    cmake --preset win64 >/dev/null
    cmake --build --preset win64 --target Stashwell
fi

export WINEPREFIX="${WINEPREFIX:-$root/build/wineprefix-run}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
program="$root/build/win64/Stashwell.exe"
screenshot="$root/build/win64/run-screenshot.png"

if [ -z "${DISPLAY:-}" ]; then
    echo "No display: running Stashwell on a virtual X server; a screenshot goes to $screenshot."
    exec env STASHWELL_INSIDE_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

# The prefix is made (or updated) now, with the display present, and before
# the program starts, so that the wait below is for the program alone.
source "$root/scripts/common.sh"
prepare_wine_prefix
wineserver -w

/usr/lib/wine/wine64 explorer /desktop=stashwell,1024x768 "$program" "$@" &
wine_pid=$!
if [ -n "${STASHWELL_INSIDE_XVFB:-}" ]; then
    # The Wine desktop's X window appears once the program runs; its main
    # window is drawn into it a moment later.
    for _ in $(seq 1 120); do
        if xwininfo -root -tree 2>/dev/null | grep -q '"stashwell'; then
            break
        fi
        sleep 0.5
    done
    sleep 5
    import -window root "$screenshot" && echo "Screenshot saved: $screenshot"
fi
wait "$wine_pid"
