#!/bin/sh
# Each plug-in build exports INITWIZARD0001 and Dummy by name and imports
# only system DLLs: no GCC runtime, no host module, nothing else to ship.
set -eu
bin=$1
system='^(kernel32|user32|gdi32|advapi32|msvcrt|psapi|shell32|ole32|oleaut32|imagehlp|version|comctl32|shlwapi)\.dll$'
status=0
for v in 10 9 7 6 5; do
    dll="$bin/Toravex$v.dll"
    dump=$(i686-w64-mingw32-objdump -p "$dll")
    for export in INITWIZARD0001 Dummy; do
        if ! printf '%s\n' "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | grep -Eq "\] $export\$"; then
            echo "Toravex$v.dll does not export $export"; status=1
        fi
    done
    imports=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p')
    for lib in $imports; do
        if ! printf '%s\n' "$lib" | tr 'A-Z' 'a-z' | grep -Eq "$system"; then
            echo "Toravex$v.dll imports $lib"; status=1
        fi
    done
    echo "Toravex$v.dll: exports INITWIZARD0001, Dummy; imports" $imports
done
exit $status
