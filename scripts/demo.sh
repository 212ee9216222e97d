#!/bin/sh
# Sets up a fresh Debian machine (as root), builds everything and runs the
# demo: the emulated IDE of one build (100 unless named) starts several times
# without Toravex and several times with it, installed by that build's own
# installer; the medians of its start-up workload, of its component
# palette's work (build 100: each of the 600 components the design packages
# register is a notice the palette rebuilds itself for) and of its whole
# start-up are printed with their ratios. In build 100 then the same with
# the IDE running the C# compiler on its serializers while it starts, with
# Toravex on a warm compiler call cache (one start fills it).
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
# <palette rebuilds> <ms in the programs it started>" to $1 (the last from
# the IDE's log: its "process" lines); further arguments go to the IDE.
start_ide() {
    out=$1
    shift
    rm -f "$results/ide.log"
    line=$(wine "$ide" -autoclose:500 "-log:$(winpath "$results/ide.log")" "$@" 2>/dev/null | tr -d '\r' | awk '
        /^workload / { for (i = 1; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] } }
        /^palette /  { for (i = 2; i <= NF; i++) { split($i, kv, "="); p[kv[1]] = kv[2] } }
        /^startup /  { split($2, kv, "="); s = kv[2] }
        END { print v["ms"], s, v["checksum"], p["ms"], p["rebuilds"] }')
    programs=$( (cat "$results/ide.log" 2>/dev/null || true) | tr -d '\r' | awk '/^process / { split($4, kv, "="); t += kv[2] } END { print t + 0 }')
    echo "$line $programs" >>"$out"
}

# A path of this machine as Windows programs under Wine see it.
winpath() { printf 'Z:%s\n' "$(printf '%s' "$1" | tr / '\\')"; }

median() { sort -n | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }

measure() {
    label=$1
    shift
    for _ in $(seq "$runs"); do start_ide "$results/$label" "$@"; done
}

echo "Toravex demo: the emulated IDE's start-up (build $ide_build), $runs runs each"
# The emulated IDE, installed as the installer expects to find an IDE.
wine reg add "HKLM\\Software\\Borland\\$key" /v RootDir /t REG_SZ \
    /d "Z:$(echo "$build/emuide/$ide_build" | tr / '\\')\\" /f >/dev/null 2>&1
# The folder where the IDE writes its serializer sources for the C# compiler.
serializers=$(winpath "$results/serializers")
wine "$setup" /uninstall >/dev/null 2>&1 || true
labels="without with"
[ "$ide_build" = 100 ] && labels="$labels csc_without csc_with"  # the build with the C# compiler
measure without
[ "$ide_build" = 100 ] && measure csc_without "-csc:$serializers"
wine "$setup" /install >/dev/null 2>&1
measure with
if [ "$ide_build" = 100 ]; then
    start_ide /dev/null "-csc:$serializers"
    measure csc_with "-csc:$serializers"
fi
wine "$setup" /uninstall >/dev/null 2>&1 || true

for label in $labels; do
    eval "workload_$label=$(cut -d' ' -f1 "$results/$label" | median)"
    eval "startup_$label=$(cut -d' ' -f2 "$results/$label" | median)"
    eval "palette_$label=$(cut -d' ' -f4 "$results/$label" | median)"
    eval "rebuilds_$label=$(cut -d' ' -f5 "$results/$label" | median)"
    eval "programs_$label=$(cut -d' ' -f6 "$results/$label" | median)"
done
checksums=$(for label in $labels; do cut -d' ' -f3 "$results/$label"; done | sort -u | tr '\n' ' ')

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
if [ "$ide_build" = 100 ]; then
    printf '%-28s %12s %12s %8s\n' "start-up with C# compiler" "$startup_csc_without" "$startup_csc_with" \
        "$(awk "BEGIN { printf \"%.2fx\", $startup_csc_without / $startup_csc_with }")"
    printf '%-28s %12s %12s %8s\n' "C# compiler runs in it" "$programs_csc_without" "$programs_csc_with" \
        "$(awk "BEGIN { printf \"%.2fx\", $programs_csc_without / $programs_csc_with }")"
fi
echo "workload checksums (one value: the same results either way): $checksums"
rm -rf "$results"
