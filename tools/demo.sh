#!/usr/bin/env bash
# The demo: a whole harvest against the simulated web on this machine. The simulated web answers
# for every host name through http_proxy, and the harvest runs in a network namespace that has
# only loopback whenever one can be made, so no real host is ever reached.
#
#   tools/demo.sh [BUILD_DIR]        (default: build)
#
# CLIPHARVESTER_DEMO_FOLDER chooses the program folder (default: a new temporary folder); the
# videos land in its "videos" folder. The exit status is clipharvester-cli's.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
cli="$build/app/cli/clipharvester-cli"
simweb="$build/tools/simweb/clipharvester-simweb"
keyword="funny"

for program in "$cli" "$simweb"; do
    [ -x "$program" ] || { echo "demo: $program is missing; build first (tools/start.sh)" >&2; exit 1; }
done

# Into a namespace of our own with only loopback: as root directly, otherwise as a user namespace.
if [ -z "${CLIPHARVESTER_DEMO_ISOLATED:-}" ]; then
    export CLIPHARVESTER_DEMO_ISOLATED=yes
    if [ "$(id -u)" -eq 0 ] && unshare -n true 2>/dev/null; then
        exec unshare -n -- "$0" "$build"
    elif unshare -rn true 2>/dev/null; then
        exec unshare -rn -- "$0" "$build"
    fi
    CLIPHARVESTER_DEMO_ISOLATED=no
    echo "demo: no private network namespace here; every request still goes to the local proxy"
fi
if [ "$CLIPHARVESTER_DEMO_ISOLATED" = yes ]; then
    ip link set lo up
    # A namespace with only loopback has no route out, which the network watch would read as a
    # lost network: declare the network up instead (it goes down only if this file appears).
    export CLIPHARVESTER_NETWORK_DOWN_FLAG="/nonexistent/clipharvester-demo-network-down"
fi

folder="${CLIPHARVESTER_DEMO_FOLDER:-}"
[ -n "$folder" ] || folder="$(mktemp -d "${TMPDIR:-/tmp}/clipharvester-demo.XXXXXX")"
mkdir -p "$folder"
[ -e "$folder/denied.txt" ] || : >"$folder/denied.txt"

coproc SIMWEB { exec "$simweb" --port 0 --scenario demo; }
simweb_pid=$SIMWEB_PID
trap 'kill "$simweb_pid" 2>/dev/null || true; wait "$simweb_pid" 2>/dev/null || true' EXIT
if ! read -r -t 30 first_line <&"${SIMWEB[0]}" || ! [[ $first_line =~ ([0-9]+)[^0-9]*$ ]]; then
    echo "demo: the simulated web did not start" >&2
    exit 1
fi
port="${BASH_REMATCH[1]}"
# Keep reading what the server prints, so that it never blocks on a full pipe.
cat <&"${SIMWEB[0]}" >"$folder/simweb.log" &

echo "Simulated web on 127.0.0.1:$port; program folder $folder"
unset no_proxy NO_PROXY
export http_proxy="http://127.0.0.1:$port"
status=0
"$cli" --program-folder "$folder" "$keyword" || status=$?

echo
echo "Videos in $folder/videos/$keyword:"
ls -l "$folder/videos/$keyword" 2>/dev/null || echo "(none)"
exit "$status"
