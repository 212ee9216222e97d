#!/bin/sh
# Installs, on a Debian machine, whatever the build and the tests need and is
# missing: the MinGW-w64 i686 compiler, Wine with its 32-bit part, Xvfb, CMake,
# Ninja and the GoogleTest sources; where the kernel runs no 32-bit programs,
# their emulation (i386-emulation/setup.sh). Needs root only when something
# is missing.
set -eu

need=""
command -v i686-w64-mingw32-g++-posix >/dev/null 2>&1 || need="$need g++-mingw-w64-i686-posix mingw-w64-i686-dev"
command -v wine >/dev/null 2>&1 || need="$need wine"
dpkg -s wine32:i386 >/dev/null 2>&1 || need="$need wine32:i386"
command -v Xvfb >/dev/null 2>&1 || need="$need xvfb xauth"
command -v cmake >/dev/null 2>&1 || need="$need cmake"
command -v ninja >/dev/null 2>&1 || need="$need ninja-build"
[ -f /usr/src/googletest/CMakeLists.txt ] || need="$need googletest"

if [ -n "$need" ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "missing packages:$need (run as root to install them)" >&2
        exit 1
    fi
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    # shellcheck disable=SC2086
    apt-get install -y -q --no-install-recommends $need
fi

# Wine's 32-bit programs on a machine whose kernel runs 64-bit code only.
if ! /usr/lib/wine/wineserver32 --version >/dev/null 2>&1; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "32-bit programs do not run on this machine (run as root to set up their emulation)" >&2
        exit 1
    fi
    "$(cd "$(dirname "$0")" && pwd)/i386-emulation/setup.sh" "${TMPDIR:-/tmp}/toravex-i386-emulation"
fi
