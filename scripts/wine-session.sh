# Sourced by the entry scripts: one virtual display and one persistent Wine
# server for the whole run, both stopped when the calling shell exits.
build="${build:-$(cd "$(dirname "$0")/.." && pwd)/build}"
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEARCH=win32
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
"$build/wine-run.sh" --init
if [ -z "${DISPLAY:-}" ]; then
    display_number=$((90 + $$ % 500))
    Xvfb ":$display_number" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$display_number"
    # Wait until the display accepts clients.
    for _ in $(seq 50); do
        [ -e "/tmp/.X11-unix/X$display_number" ] && break
        sleep 0.1
    done
fi
wineserver -p
trap 'wineserver -k 2>/dev/null || true; [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true' EXIT
# Start Wine's own services once, before tests start programs side by side.
wine cmd /c exit >/dev/null 2>&1 || true
