#!/bin/sh
# The package loading of a well-equipped IDE: the emulated IDE of build 90
# starts with 50, 100 and 250 design packages of 40 units each, several
# times without Toravex and several times with it, installed by its own
# installer, and one line per size gives the medians of its package loading
# and initialization phase (the IDE's "workload ... ms=" figure):
#   packages=<n> without_ms=<median> with_ms=<median> ratio=<without/with>
# and a last line the milliseconds per package with Toravex at each size.
#   RUNS=n SIZES="50 100 250" scripts/package-scale.sh   (defaults 5 runs)
# Starts without and with Toravex alternate, so that a change of the load
# on the machine meets both: the runs without it use a registry root of
# their own (-r), which holds the same "Known Packages" and nothing else.
# The large installation is built here (target emuide_scale_90), never by
# the ordinary build. Timings under an emulator: the ratios are what counts.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" >/dev/null
build="$root/build"
cmake --build "$build" --target emuide_scale_90 toravex9 toravexloader_90 toravexsetup9 >/dev/null
. "$root/scripts/wine-session.sh"

runs=${RUNS:-5}
sizes=${SIZES:-50 100 250}
ide="$build/emuide/90/bin/bds.exe"
setup="$build/bin/ToravexSetup9.exe"
scale=$(echo "$build/emuide/90/scale" | tr / '\\')
plain=ToravexScale
work=$(mktemp -d)

# "Known Packages" of the IDE's key and of the plain root: the first $1
# packages of the large installation, written in one registry import.
known_packages() {
    for root in BDS "$plain"; do
        wine reg delete "HKEY_CURRENT_USER\\Software\\Borland\\$root\\3.0\\Known Packages" /f >/dev/null 2>&1 || true
    done
    {
        printf 'REGEDIT4\r\n'
        for root in BDS "$plain"; do
            printf '\r\n[HKEY_CURRENT_USER\\Software\\Borland\\%s\\3.0\\Known Packages]\r\n' "$root"
            for i in $(seq 1 "$1" | awk '{ printf "%03d\n", $1 }'); do
                printf '"Z:%s\\\\dclscale%s.bpl"="Emulated scale package %s"\r\n' \
                    "$(printf '%s' "$scale" | sed 's/\\/\\\\/g')" "$i" "$i"
            done
        done
    } >"$work/known.reg"
    wine regedit /s "$(winepath -w "$work/known.reg")" >/dev/null 2>&1
}

# One IDE start with $2 packages under the registry root $3 (BDS: Toravex
# installed): appends the package phase's milliseconds to $1 and checks that
# Toravex was loaded exactly when installed.
start_ide() {
    rm -f "$work/ide.log"
    wine "$ide" "-r$3" -autoclose:100 "-log:$(winepath -w "$work/ide.log")" 2>/dev/null | tr -d '\r' | awk '
        /^workload / { for (i = 1; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] } }
        END { if (v["packages"] != expected) print "packages loaded: " v["packages"] > "/dev/stderr"; print v["ms"] }' \
        expected="$2" >>"$1"
    loaded=no
    grep -q "^expert-init .*Toravex9.dll result=1" "$work/ide.log" 2>/dev/null && loaded=yes
    [ "$loaded" = "$([ "$3" = BDS ] && echo yes || echo no)" ] || echo "Toravex loaded: $loaded under $3" >&2
}

median() { sort -n | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }

echo "Package loading of the emulated IDE (build 90), $runs runs each"
wine reg add 'HKLM\Software\Borland\BDS\3.0' /v RootDir /t REG_SZ \
    /d "Z:$(echo "$build/emuide/90" | tr / '\\')\\" /f >/dev/null 2>&1
wine "$setup" /install >/dev/null 2>&1
per_package=""
for n in $sizes; do
    known_packages "$n"
    for _ in $(seq "$runs"); do
        start_ide "$work/without-$n" "$n" "$plain"
        start_ide "$work/with-$n" "$n" BDS
    done
    without=$(median <"$work/without-$n")
    with=$(median <"$work/with-$n")
    echo "packages=$n without_ms=$without with_ms=$with ratio=$(awk "BEGIN { printf \"%.2f\", $without / $with }")"
    per_package="$per_package $n:$(awk "BEGIN { printf \"%.1f\", $with / $n }")"
done
echo "with Toravex, ms per package:$per_package"
wine "$setup" /uninstall >/dev/null 2>&1 || true
for root in BDS "$plain"; do
    wine reg delete "HKEY_CURRENT_USER\\Software\\Borland\\$root\\3.0\\Known Packages" /f >/dev/null 2>&1 || true
done
wine reg delete "HKEY_CURRENT_USER\\Software\\Borland\\$plain" /f >/dev/null 2>&1 || true
rm -rf "$work"
