# Sourced by the scripts. The commands that the scripts, tests and benchmarks
# call, each with the Debian package that brings it (scripts/setup.sh
# installs them all): `require_commands NAME...` checks that each is there
# before any work starts and names every one that is missing. And the making
# of a Wine prefix: `prepare_wine_prefix` (WINEPREFIX set, a display there).

declare -A stashwell_command_package=(
    [cmake]=cmake [ctest]=cmake [ninja]=ninja-build [ccache]=ccache [g++]=g++
    [x86_64-w64-mingw32-g++-posix]=g++-mingw-w64-x86-64-posix
    [x86_64-w64-mingw32-windres]=binutils-mingw-w64-x86-64
    [i686-w64-mingw32-g++-posix]=g++-mingw-w64-i686-posix
    [i686-w64-mingw32-windres]=binutils-mingw-w64-i686
    [python3]=python3 [nginx]=nginx [curl]=curl [danted]=dante-server [microsocks]=microsocks
    [/usr/lib/wine/wine64]=wine64 [wineserver]=wine [wineboot]=wine
    [xvfb-run]=xvfb [Xvfb]=xvfb [xauth]=xauth [xdotool]=xdotool [xwininfo]=x11-utils
    [import]=imagemagick [convert]=imagemagick [identify]=imagemagick
    [objdump]=binutils [file]=file
)

# ccache: paths below the checkout count relative to it, and the build
# folder is left out of the key, so another clone or a second build folder
# (the banner build of the Wine checks) reuses what the first one compiled.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
export CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-true}"

require_commands() {
    local missing=() name
    for name in "$@"; do
        if ! command -v "$name" >/dev/null 2>&1; then
            missing+=("$name (package ${stashwell_command_package[$name]:-unknown})")
        fi
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "$(basename "$0"): missing commands:" >&2
        printf '    %s\n' "${missing[@]}" >&2
        echo "Install them with scripts/setup.sh (as root or with sudo)." >&2
        return 1
    fi
}

# Makes or updates the Wine prefix $WINEPREFIX. Call it with the display
# present: a prefix first used without one cannot create windows later.
# Wine's own fonts (package fonts-wine: Tahoma, and Marlett for the caption
# buttons) are not found where this Wine looks for them, so they are put in
# the prefix's font folder.
prepare_wine_prefix() {
    if [ ! -e /usr/share/wine/fonts/marlett.ttf ]; then
        echo "$(basename "$0"): missing /usr/share/wine/fonts/marlett.ttf (package fonts-wine)" >&2
        return 1
    fi
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    local fonts="$WINEPREFIX/drive_c/windows/Fonts" font
    mkdir -p "$fonts"
    for font in /usr/share/wine/fonts/*; do
        [ -e "$fonts/$(basename "$font")" ] || cp "$font" "$fonts/"
    done
}
