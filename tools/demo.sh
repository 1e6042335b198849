#!/usr/bin/env bash
# The demo: a whole harvest against the simulated web on this machine. The simulated web answers
# for every host name through http_proxy, and the harvest runs in a network namespace that has
# only loopback whenever one can be made, so no real host is ever reached.
#
#   tools/demo.sh [--tray] [BUILD_DIR]        (default: build)
#
# Without --tray, clipharvester-cli harvests "funny" and the exit status is its own. With --tray
# (on a display), the tray program runs from a copy in the demo's program folder: open the search
# window from its tray menu and press Search; the demo ends when the program exits.
# CLIPHARVESTER_DEMO_FOLDER chooses the program folder (default: a new temporary folder); the
# videos land in its "videos" folder. The simulated web answers a little late and sends bodies at
# 48 KB/s on each connection, so the whole run takes about half a minute and can be watched;
# CLIPHARVESTER_DEMO_FAST=yes serves everything at once.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
tray=""
if [ "${1:-}" = --tray ]; then
    tray="--tray"
    shift
fi
build="$(cd "${1:-$root/build}" && pwd)"
cli="$build/app/cli/clipharvester-cli"
simweb="$build/tools/simweb/clipharvester-simweb"
tray_program="$build/app/tray/clipharvester"
keyword="funny"
front_end="$cli"
[ -z "$tray" ] || front_end="$tray_program"

for program in "$front_end" "$simweb"; do
    [ -x "$program" ] || { echo "demo: $program is missing; build first (tools/start.sh)" >&2; exit 1; }
done

# Into a namespace of our own with only loopback: as root directly, otherwise as a user namespace.
if [ -z "${CLIPHARVESTER_DEMO_ISOLATED:-}" ]; then
    export CLIPHARVESTER_DEMO_ISOLATED=yes
    if [ "$(id -u)" -eq 0 ] && unshare -n true 2>/dev/null; then
        exec unshare -n -- "$0" $tray "$build"
    elif unshare -rn true 2>/dev/null; then
        exec unshare -rn -- "$0" $tray "$build"
    fi
    CLIPHARVESTER_DEMO_ISOLATED=no
    echo "demo: no private network namespace here; every request still goes to the local proxy"
fi
if [ "$CLIPHARVESTER_DEMO_ISOLATED" = yes ]; then
    ip link set lo up
    # A namespace with only loopback has no route out, which the network watch would read as a
    # lost network: a default route through loopback keeps the network up for the tray program,
    # and the command line declares it up (it goes down only if this file appears).
    ip route add default dev lo 2>/dev/null || true
    export CLIPHARVESTER_NETWORK_DOWN_FLAG="/nonexistent/clipharvester-demo-network-down"
fi

folder="${CLIPHARVESTER_DEMO_FOLDER:-}"
[ -n "$folder" ] || folder="$(mktemp -d "${TMPDIR:-/tmp}/clipharvester-demo.XXXXXX")"
mkdir -p "$folder"
[ -e "$folder/denied.txt" ] || : >"$folder/denied.txt"

pace=(--delay-ms 150 --rate-kbps 48)
[ "${CLIPHARVESTER_DEMO_FAST:-}" != yes ] || pace=()
coproc SIMWEB { exec "$simweb" --port 0 --scenario demo "${pace[@]}"; }
simweb_pid=$SIMWEB_PID
trap 'kill "$simweb_pid" 2>/dev/null || true; wait "$simweb_pid" 2>/dev/null || true' EXIT
if ! read -r -t 30 first_line <&"${SIMWEB[0]}" || ! [[ $first_line =~ ([0-9]+)[^0-9]*$ ]]; then
    echo "demo: the simulated web did not start" >&2
    exit 1
fi
port="${BASH_REMATCH[1]}"
# Keep reading what the server prints, so that it never blocks on a full pipe (bash does not hand
# a coprocess's own descriptors to other jobs: copy the descriptor first).
exec {simweb_out}<&"${SIMWEB[0]}"
cat <&"$simweb_out" >"$folder/simweb.log" &

echo "Simulated web on 127.0.0.1:$port; program folder $folder"
unset no_proxy NO_PROXY
export http_proxy="http://127.0.0.1:$port"
status=0
if [ -n "$tray" ]; then
    # The tray program keeps its settings and lists beside itself: it runs from a copy there.
    cp "$tray_program" "$folder/clipharvester"
    echo "Right-click the ClipHarvester icon in the notification area, choose Video Grabbing and"
    echo "press Search (without a notification area the search window opens by itself). Watch the"
    echo "status bar: the status line, links taken, videos queued, five download slots and the"
    echo "throughput. Choose Exit from the tray menu (or the window's File menu) to end the demo."
    "$folder/clipharvester" || status=$?
else
    echo "Harvesting \"$keyword\" for about half a minute: on a terminal the status block below shows"
    echo "the status line, the five download slots and the throughput; each video's end is a line."
    echo "The videos land in $folder/videos/$keyword"
    echo
    "$cli" --program-folder "$folder" "$keyword" || status=$?
fi

echo
echo "Videos in $folder/videos/$keyword:"
ls -l "$folder/videos/$keyword" 2>/dev/null || echo "(none)"
exit "$status"
