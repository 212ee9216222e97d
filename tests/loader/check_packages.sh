#!/bin/sh
# Each loader package exports exactly the standard entry points of a host
# package, under its build's package unit, and imports only system DLLs and
# its runtime package; each installer imports only system DLLs.
set -eu
export LC_ALL=C
bin=$1
system='kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll ole32.dll msvcrt.dll'
status=0
exports() {
    i686-w64-mingw32-objdump -p "$1" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] //p' | sort
}
check_imports() {  # file, allowed modules
    for lib in $(i686-w64-mingw32-objdump -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z'); do
        case " $2 " in *" $lib "*) ;; *) echo "$(basename "$1") imports $lib"; status=1 ;; esac
    done
}
for v in 10 9 7 6 5; do
    unit=Toravexloader runtime=rtl${v}0.bpl
    [ "$v" = 5 ] && unit=Toravexloader5 runtime=vcl50.bpl
    package="$bin/ToravexLoader$v.bpl"
    expected=$(printf '%s\n' Initialize Finalize @GetPackageInfoTable "@$unit@@GetPackageInfoTable\$qqrv" \
        "@$unit@@PackageLoad\$qqrv" "@$unit@@PackageUnload\$qqrv" "@$unit@initialization\$qqrv" \
        '@Toravexloader_main@initialization$qqrv' '@Toravexloader_main@Finalization$qqrv' | sort)
    if [ "$(exports "$package")" != "$expected" ]; then
        echo "ToravexLoader$v.bpl exports:"; exports "$package"; status=1
    fi
    check_imports "$package" "$system $runtime"
    i686-w64-mingw32-objdump -p "$package" | grep -q "DLL Name: $runtime" || { echo "$package: no $runtime"; status=1; }
done
for v in 10 9 7 6 5; do check_imports "$bin/ToravexSetup$v.exe" "$system"; done
[ $status = 0 ] && echo "loader packages and installers: exports and imports as expected"
exit $status
