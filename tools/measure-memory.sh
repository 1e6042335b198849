#!/usr/bin/env bash
# Shows the peak resident memory of five concurrent 50 MB downloads through the Qt download
# service, served by the simulated web on 127.0.0.1. Everything runs in a network namespace that
# has only loopback. Usage: tools/measure-memory.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
cmake --build "$build" -j2 --target clipharvester-simweb download_memory_driver >/dev/null
exec unshare -n -- bash -s "$build" <<'INNER'
set -euo pipefail
build="$1"
ip link set lo up
work="$(mktemp -d)"
trap 'kill "$server" 2>/dev/null || true; rm -rf "$work"' EXIT
for i in 0 1 2 3 4; do echo "video http://big.test/clip$i 50000000"; done > "$work/scenario.txt"
mkdir "$work/downloads"
coproc SIMWEB { exec "$build/tools/simweb/clipharvester-simweb" --scenario "$work/scenario.txt"; }
server=$SIMWEB_PID
read -r port <&"${SIMWEB[0]}"
export http_proxy="http://127.0.0.1:$port"
report="$("$build/bench/download_memory_driver" "$work/downloads" http://big.test/clip 5)"
echo "$report"
peak="$(sed -n 's/^peak resident memory: \([0-9]*\) MB$/\1/p' <<<"$report")"
if [ "$peak" -ge 100 ]; then
    echo "FAIL: $peak MB is not under 100 MB"
    exit 1
fi
echo "OK: under 100 MB"
INNER
