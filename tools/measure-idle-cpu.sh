#!/usr/bin/env bash
# Shows how much CPU the tray program uses while it sits idle in the tray with the search window
# hidden: a copy of `clipharvester` in a throwaway program folder runs under Xvfb with trayer as
# its notification area (without one the search window would open), and after 5 s of settling its
# user and system time are read from /proc over 60 s. Everything runs in a network namespace that
# has only loopback.
# Usage: tools/measure-idle-cpu.sh [BUILD_DIR | PATH_TO_CLIPHARVESTER]   (default: build)
# Exits 1 when the figure is not under 0.2% of a core. Not a test: it takes a minute.
set -euo pipefail
cd "$(dirname "$0")/.."
target="${1:-build}"
if [ -d "$target" ]; then
    cmake --build "$target" -j2 --target clipharvester >/dev/null
    binary="$target/app/tray/clipharvester"
else
    binary="$target"
fi
binary="$(realpath "$binary")"
if ! command -v Xvfb >/dev/null || ! command -v trayer >/dev/null; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get install -y xvfb trayer >/dev/null
fi
settle="${CH_IDLE_SETTLE_SECONDS:-5}"
window="${CH_IDLE_SECONDS:-60}"
exec unshare -n -- bash -s "$binary" "$settle" "$window" <<'INNER'
set -euo pipefail
binary="$1" settle="$2" window="$3"
ip link set lo up
work="$(mktemp -d)"
xvfb="" trayer="" program=""
trap 'for pid in "$program" "$trayer" "$xvfb"; do [ -n "$pid" ] && kill "$pid" 2>/dev/null; done; wait 2>/dev/null; rm -rf "$work"' EXIT
# The program keeps everything in the folder of its executable: give it one of its own.
mkdir "$work/program"
cp "$binary" "$work/program/clipharvester"
: >"$work/program/denied.txt"
Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start:"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")" QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
trayer=$!
"$work/program/clipharvester" >"$work/program.log" 2>&1 &
program=$!
# utime + stime, fields 14 and 15, counted after the ")" that ends the command name.
ticks() { local stat; stat="$(<"/proc/$program/stat")"; stat="${stat##*) }"; set -- $stat; echo $((${12} + ${13})); }
sleep "$settle"
kill -0 "$program" 2>/dev/null || { echo "the program ended:"; cat "$work/program.log"; exit 1; }
before="$(ticks)"
sleep "$window"
kill -0 "$program" 2>/dev/null || { echo "the program ended:"; cat "$work/program.log"; exit 1; }
after="$(ticks)"
hz="$(getconf CLK_TCK)"
used=$((after - before))
# Hundredths of a percent, in whole numbers: used / hz / window * 100 * 100.
hundredths=$((used * 10000 / (hz * window)))
printf 'idle tray program: %d clock ticks (1/%d s) in %d s = %d.%02d%% of a core\n' \
    "$used" "$hz" "$window" $((hundredths / 100)) $((hundredths % 100))
if [ "$hundredths" -ge 20 ]; then
    echo "FAIL: not under 0.2% of a core"
    exit 1
fi
echo "OK: under 0.2% of a core"
INNER
