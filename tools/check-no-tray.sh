#!/usr/bin/env bash
# The tray program on a real X display (Xvfb) whose desktop has no notification area: its search
# window must come up by itself, minimising it must keep the program reachable, and closing it
# (Alt+F4 through the window manager, openbox) must end the program. With trayer installed, a
# second round checks the desktop with a tray: no window comes by itself, and minimising or
# closing the search window hides it, so that "&Video Grabbing" opens it again.
#
#   tools/check-no-tray.sh [BUILD] [SCREENSHOT.png]
#
# Exits 0 when every check passed, 1 when one failed, 77 when Xvfb, openbox, xdotool or network
# namespaces are missing. The program runs in a network namespace of its own (loopback only).
set -uo pipefail

build="${1:-build}"
screenshot="${2:-}"
program="$build/app/tray/clipharvester"
for tool in Xvfb openbox xdotool unshare; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 77; }
done
[ -x "$program" ] || { echo "no program at $program (build the clipharvester target)" >&2; exit 2; }
unshare -n -- true 2>/dev/null || { echo "SKIP: no network namespaces here"; exit 77; }

scratch="$(mktemp -d)"
pids=()
cleanup() {
    # Only what this script started, newest first.
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT

failures=0
check() {  # check DESCRIPTION COMMAND...
    local what="$1"
    shift
    if "$@"; then echo "ok:   $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}
# Polls a condition for up to $1 seconds: other programs' windows send this script no event.
within() {
    local limit="$1"
    shift
    local deadline=$((SECONDS + limit))
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.2
    done
}

Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$scratch/display" 2>/dev/null &
pids+=($!)
within 30 test -s "$scratch/display" || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$scratch/display")"
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }
within 30 wm_ready || { echo "openbox did not start" >&2; exit 1; }

# The program keeps its files beside its executable: each round gets a folder of its own.
start_program() {  # start_program ROUND
    local folder="$scratch/$1"
    mkdir -p "$folder/runtime"
    chmod 700 "$folder/runtime"
    cp "$program" "$folder/clipharvester"
    : >"$folder/denied.txt"
    XDG_RUNTIME_DIR="$folder/runtime" QT_QPA_PLATFORM=xcb \
        unshare -n -- bash -c 'ip link set lo up && exec "$0"' "$folder/clipharvester" \
        >"$folder/output" 2>&1 &
    program_pid=$!
    pids+=("$program_pid")
}
search_window() { xdotool search --onlyvisible --name '^Video Search Engine$' 2>/dev/null | head -n1; }
window_shown() { [ -n "$(search_window)" ]; }
window_gone() { [ -z "$(search_window)" ]; }
program_ended() { ! kill -0 "$program_pid" 2>/dev/null; }
program_runs() { kill -0 "$program_pid" 2>/dev/null; }
close_window() { xdotool windowactivate --sync "$1" key --clearmodifiers alt+F4; }

echo "Desktop without a notification area ($DISPLAY, openbox)"
start_program no-tray
check "the search window opens by itself" within 20 window_shown
window="$(search_window)"
if [ -n "$window" ]; then
    if [ -n "$screenshot" ] && command -v import >/dev/null; then
        sleep 1  # let the window draw its first frame: nothing signals it to another client
        import -window root "$screenshot" && echo "screenshot: $screenshot"
    fi
    xdotool windowminimize --sync "$window"
    check "minimised without a tray, the program keeps running" program_runs
    xdotool windowactivate --sync "$window" 2>/dev/null
    check "the minimised window comes back" within 10 window_shown
    close_window "$window"
    check "closing the window ends the program" within 20 program_ended
fi
wait "$program_pid" 2>/dev/null
check "the program ended with status 0" test "$?" -eq 0

if command -v trayer >/dev/null; then
    echo "Desktop with a notification area (trayer)"
    trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
    pids+=($!)
    trayer_shown() { [ -n "$(xdotool search --onlyvisible --class trayer 2>/dev/null)" ]; }
    within 30 trayer_shown
    start_program tray
    icon_shown() { [ -n "$(xdotool search --onlyvisible --class clipharvester 2>/dev/null)" ]; }
    check "the tray icon appears" within 30 icon_shown
    icon="$(xdotool search --onlyvisible --class clipharvester 2>/dev/null | head -n1)"
    program_windows() { xdotool search --onlyvisible --class clipharvester 2>/dev/null | wc -l; }
    # Opens the tray menu with the right button and picks an item by its underlined letter until
    # CONDITION holds. Under openbox the first click on the icon after the search window went away
    # opens no menu, and a popup maps before it grabs the keyboard, so a lost click or key is
    # tried again on a fresh menu.
    pick_from_tray_menu() {  # pick_from_tray_menu KEY CONDITION...
        local key="$1" before attempt
        shift
        for attempt in 1 2 3; do
            before="$(program_windows)"
            xdotool mousemove --window "$icon" 11 11 click 3 || return 1
            menu_shown() { [ "$(program_windows)" -gt "$before" ]; }
            within 3 menu_shown && xdotool key "$key"
            within 5 "$@" && return 0
            xdotool key Escape
        done
        return 1
    }
    open_from_tray() { pick_from_tray_menu v window_shown; }
    sleep 4  # past the program's wait for a late tray
    check "no window opens by itself" window_gone
    check "Video Grabbing opens the window" open_from_tray
    xdotool windowminimize "$(search_window)"
    check "minimising hides the window" within 10 window_gone
    check "Video Grabbing opens it again" open_from_tray
    close_window "$(search_window)"
    check "closing hides the window" within 10 window_gone
    check "the program keeps running" program_runs
    check "Video Grabbing opens it once more" open_from_tray
    check "Exit ends the program" pick_from_tray_menu x program_ended
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all checks passed"
