#!/usr/bin/env bash
# Builds the win64 program and runs it under Wine, in a Wine desktop window
# of its own (so that its windows have frames even without a window manager).
# Without a display it runs on a virtual X server and saves a screenshot once
# the main window is up. Arguments are passed to the program (for example a
# .cbd file to put on the clipboard).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

if [ -z "${STASHWELL_INSIDE_XVFB:-}" ]; then
    scripts/setup.sh
    cmake --preset win64 >/dev/null
    cmake --build --preset win64
fi

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
program="$root/build/win64/Stashwell.exe"
screenshot="$root/build/win64/run-screenshot.png"

if [ -z "${DISPLAY:-}" ]; then
    echo "No display: running Stashwell on a virtual X server; a screenshot goes to $screenshot."
    exec env STASHWELL_INSIDE_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

/usr/lib/wine/wine64 explorer /desktop=stashwell,1024x768 "$program" "$@" &
wine_pid=$!
if [ -n "${STASHWELL_INSIDE_XVFB:-}" ]; then
    sleep 8
    import -window root "$screenshot" && echo "Screenshot saved: $screenshot"
fi
wait "$wine_pid"
