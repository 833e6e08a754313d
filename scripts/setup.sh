#!/usr/bin/env bash
# Installs what building, running, testing and packaging need on Debian 12:
# every package whose commands the scripts, tests and benchmarks call (see
# scripts/common.sh) and the libraries they build against. Idempotent:
# installs only the packages that are missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ ccache python3
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
    binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
    wine wine64 fonts-wine xvfb xauth x11-utils xdotool imagemagick
    libgif-dev nginx curl binutils file
    dante-server microsocks
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        sudo="sudo"
    fi
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
