#!/bin/sh
# Sets up a fresh Debian machine (as root), builds everything and runs the
# demo: the emulated IDE of one build (100 unless named) starts several times
# without Toravex and several times with it, installed by that build's own
# installer; the medians of its start-up workload, of its component
# palette's work (build 100: each of the 600 components the design packages
# register is a notice the palette rebuilds itself for) and of its whole
# start-up are printed with their ratios.
#   RUNS=n scripts/demo.sh [BUILD]    BUILD: 100, 90, 70, 60 or 50; 7 runs each
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" >/dev/null
build="$root/build"
. "$root/scripts/wine-session.sh"

runs=${RUNS:-7}
ide_build=${1:-100}
case $ide_build in
    100) suffix=10 exe=bds.exe key='BDS\4.0' ;;
    90) suffix=9 exe=bds.exe key='BDS\3.0' ;;
    70) suffix=7 exe=delphi32.exe key='Delphi\7.0' ;;
    60) suffix=6 exe=delphi32.exe key='Delphi\6.0' ;;
    50) suffix=5 exe=delphi32.exe key='Delphi\5.0' ;;
    *) echo "usage: scripts/demo.sh [100|90|70|60|50]" >&2; exit 2 ;;
esac
ide="$build/emuide/$ide_build/bin/$exe"
setup="$build/bin/ToravexSetup$suffix.exe"
results=$(mktemp -d)

# One IDE start: appends "<workload ms> <startup ms> <checksum> <palette ms>
# <palette rebuilds>" to $1.
start_ide() {
    wine "$ide" -autoclose:500 2>/dev/null | tr -d '\r' | awk '
        /^workload / { for (i = 1; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] } }
        /^palette /  { for (i = 2; i <= NF; i++) { split($i, kv, "="); p[kv[1]] = kv[2] } }
        /^startup /  { split($2, kv, "="); s = kv[2] }
        END { print v["ms"], s, v["checksum"], p["ms"], p["rebuilds"] }' >>"$1"
}

median() { sort -n | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }

measure() {
    label=$1
    for _ in $(seq "$runs"); do start_ide "$results/$label"; done
}

echo "Toravex demo: the emulated IDE's start-up (build $ide_build), $runs runs each"
# The emulated IDE, installed as the installer expects to find an IDE.
wine reg add "HKLM\\Software\\Borland\\$key" /v RootDir /t REG_SZ \
    /d "Z:$(echo "$build/emuide/$ide_build" | tr / '\\')\\" /f >/dev/null 2>&1
wine "$setup" /uninstall >/dev/null 2>&1 || true
measure without
wine "$setup" /install >/dev/null 2>&1
measure with
wine "$setup" /uninstall >/dev/null 2>&1 || true

for label in without with; do
    eval "workload_$label=$(cut -d' ' -f1 "$results/$label" | median)"
    eval "startup_$label=$(cut -d' ' -f2 "$results/$label" | median)"
    eval "palette_$label=$(cut -d' ' -f4 "$results/$label" | median)"
    eval "rebuilds_$label=$(cut -d' ' -f5 "$results/$label" | median)"
done
checksums=$(cut -d' ' -f3 "$results/without" "$results/with" | sort -u | tr '\n' ' ')

printf '%-28s %12s %12s %8s\n' "median ms" "without" "with" "speed-up"
printf '%-28s %12s %12s %8s\n' "start-up workload" "$workload_without" "$workload_with" \
    "$(awk "BEGIN { printf \"%.2fx\", $workload_without / $workload_with }")"
if [ "$ide_build" = 100 ]; then  # the only build with the .NET palette
    printf '%-28s %12s %12s %8s\n' "palette work" "$palette_without" "$palette_with" \
        "$(awk "BEGIN { printf \"%.2fx\", $palette_without / ($palette_with > 0 ? $palette_with : 1) }")"
    printf '%-28s %12s %12s\n' "palette rebuilds (count)" "$rebuilds_without" "$rebuilds_with"
fi
printf '%-28s %12s %12s %8s\n' "whole start-up" "$startup_without" "$startup_with" \
    "$(awk "BEGIN { printf \"%.2fx\", $startup_without / $startup_with }")"
echo "workload checksums (one value: the same results either way): $checksums"
rm -rf "$results"
