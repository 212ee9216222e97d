#!/bin/sh
# Configures and builds everything into build/ (deliverables in build/bin,
# each emulated IDE in build/emuide/<version>/bin).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
        -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$build"
