#!/bin/sh
# Sets up a fresh Debian machine (as root), builds everything and runs the
# whole test suite under Wine, ending with CTest's summary.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
. "$root/scripts/wine-session.sh"
cd "$root/build"
ctest --output-on-failure -j "$(nproc)" "$@"
