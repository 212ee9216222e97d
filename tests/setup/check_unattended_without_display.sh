#!/bin/sh
# The installer's unattended runs in a fresh Wine prefix with no display at
# all (no X server, as in a service session): "/INSTALL" installs and exits
# 0, "/uninstall" leaves nothing and exits 0, and "/install" with no IDE key
# for its build exits 1 and changes nothing.
#
#   check_unattended_without_display.sh <build folder>
set -eu
build=$(cd "$1" && pwd)
work="$build/tests/setup-without-display"
rm -rf "$work"
mkdir -p "$work"
export WINEPREFIX="$work/prefix"
export WINEDEBUG=-all
export WINEARCH=win32
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
unset DISPLAY WAYLAND_DISPLAY
# The prefix's own Wine server, and the prefix, go when the test ends.
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
wineboot -i >/dev/null 2>&1 || true
wineserver -w

setup="$build/bin/ToravexSetup10.exe"
ide='HKLM\Software\Borland\BDS\4.0'
options='HKCU\Software\Kalvoro\Toravex\10'
experts='HKCU\Software\Borland\BDS\4.0\Experts'
packages='HKCU\Software\Borland\BDS\4.0\Known IDE Packages'
status=0
fail() { echo "FAILED: $*"; status=1; }
run() { code=0; wine "$setup" "$1" >/dev/null 2>&1 || code=$?; echo "ToravexSetup10 $1: exit code $code"; }
has_key() { wine reg query "$1" >/dev/null 2>&1; }
value() { wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v n="$2" '$1 == n { $1 = ""; $2 = ""; sub(/^  */, ""); print }'; }
installed_files() { find "$WINEPREFIX/drive_c/users" -ipath '*/toravex/*' -type f 2>/dev/null | sort; }

# No IDE of the build: nothing changes.
run /install
[ "$code" = 1 ] || fail "/install without the IDE exits $code, not 1"
has_key "$options" && fail "/install without the IDE wrote the options"
[ -z "$(installed_files)" ] || fail "/install without the IDE copied $(installed_files)"

wine reg add "$ide" /v RootDir /d 'C:\BDS\4.0' /f >/dev/null 2>&1
run /INSTALL
[ "$code" = 0 ] || fail "/INSTALL exits $code, not 0"
files=$(installed_files)
echo "installed:" $files
for file in Toravex10.dll ToravexLoader10.bpl; do
    printf '%s\n' "$files" | grep -q "/$file\$" || fail "$file not installed"
done
case "$(value "$experts" Toravex)" in *'\Toravex\Toravex10.dll') ;; *) fail "expert not registered" ;; esac
wine reg query "$packages" 2>/dev/null | tr -d '\r' | grep -q 'ToravexLoader10.bpl.*REG_SZ.*Toravex$' ||
    fail "loader not registered"
[ "$(value "$options" HookBplOnly)" = 0x1 ] || fail "options not written"

run /uninstall
[ "$code" = 0 ] || fail "/uninstall exits $code, not 0"
[ -z "$(installed_files)" ] || fail "/uninstall left $(installed_files)"
find "$WINEPREFIX/drive_c/users" -iname toravex | grep -q . && fail "/uninstall left the folder"
has_key "$options" && fail "/uninstall left the options"
[ -z "$(value "$experts" Toravex)" ] || fail "/uninstall left the expert"
wine reg query "$packages" 2>/dev/null | grep -q 'ToravexLoader10' && fail "/uninstall left the loader"
exit $status
