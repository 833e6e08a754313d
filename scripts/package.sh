#!/usr/bin/env bash
# Makes the release that a Windows user takes: builds the product (the win32
# preset, a release build) and writes dist/Stashwell-<version>-win32.zip, one
# folder holding Stashwell.exe, README.txt and LICENSE.txt. The version is the
# project's VERSION, the one the version resource carries.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
source scripts/common.sh
require_commands cmake ninja i686-w64-mingw32-g++-posix i686-w64-mingw32-windres python3

cmake --preset win32 >/dev/null
cmake --build --preset win32 --target Stashwell
build="$root/build/win32"
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
if [ -z "$version" ]; then
    echo "package.sh: no project version in $build/CMakeCache.txt" >&2
    exit 1
fi

name="Stashwell-$version-win32"
stage="$root/build/package/$name"
rm -rf "$root/build/package"
mkdir -p "$stage" "$root/dist"
cp "$build/Stashwell.exe" "$build/README.txt" "$build/LICENSE.txt" "$stage/"
archive="$root/dist/$name.zip"
rm -f "$archive"
(cd "$root/build/package" && python3 -m zipfile -c "$archive" "$name")
echo "Archive: $archive"
