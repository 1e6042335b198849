#!/usr/bin/env bash
# Renders the README's pictures of the search window from the real tray program in a real run
# against the simulated web (the demo's paced web), on a private X server whose notification area
# is trayer's: the search window is opened from the tray menu, as a user opens it.
#
#   tools/screenshots.sh [BUILD_DIR] [OUT_DIR]     (defaults: build, docs)
#
# Needs Xvfb, trayer, xdotool and imagemagick (apt-get install xvfb trayer xdotool imagemagick).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
out="$(mkdir -p "${2:-$root/docs}" && cd "${2:-$root/docs}" && pwd)"
for tool in Xvfb trayer xdotool import; do
    command -v "$tool" >/dev/null || { echo "screenshots: $tool is missing" >&2; exit 1; }
done

work="$(mktemp -d "${TMPDIR:-/tmp}/clipharvester-shots.XXXXXX")"
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
demo=""
trayer=""
cleanup() {
    [ -z "$demo" ] || kill "$demo" 2>/dev/null || true
    pkill -TERM -f "$work/program/clipharvester" 2>/dev/null || true
    # It saves its lists as it leaves: the folder goes only once it has.
    for _ in $(seq 100); do pgrep -f "$work/program/clipharvester" >/dev/null || break; sleep 0.1; done
    [ -z "$demo" ] || wait "$demo" 2>/dev/null || true
    [ -z "$trayer" ] || kill "$trayer" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY="$display"
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
trayer --edge top --align right --widthtype request --height 24 >"$work/trayer.log" 2>&1 &
trayer=$!
xdotool search --sync --onlyvisible --class trayer >/dev/null

# Twice the normal scale, so the pictures stay readable on high-resolution screens.
export QT_SCALE_FACTOR=2
CLIPHARVESTER_DEMO_FOLDER="$work/program" "$root/tools/demo.sh" --tray "$build" \
    >"$work/demo.log" 2>&1 &
demo=$!

icon="$(xdotool search --sync --onlyvisible --class clipharvester | head -n 1)"
# "&Video Grabbing" from the tray menu; a click or key that comes before the menu is ready is
# tried again on a fresh menu.
window=""
for _ in 1 2 3 4 5; do
    xdotool mousemove --window "$icon" 11 11 click 3
    sleep 1
    xdotool key v
    window="$(timeout 5 xdotool search --sync --onlyvisible --name '^Video Search Engine$' |
        head -n 1)" && break
    xdotool key Escape
done
[ -n "$window" ] || { echo "screenshots: the search window did not open" >&2; exit 1; }
sleep 1  # the first paint
import -window "$window" "$out/search-window.png"

# Search for the keyword in the field ("funny" at first start), as Return in the field does.
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
xdotool key --window "$window" Return
# Mid-run: the demo's web paces its bodies, so downloads are under way after a few seconds.
sleep 9
import -window "$window" "$out/search-window-running.png"
echo "screenshots: wrote $out/search-window.png and $out/search-window-running.png"
