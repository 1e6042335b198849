#!/usr/bin/env bash
# Shows the peak resident memory of clipharvester-cli against a hostile web: the search engine
# finds one site whose 1,000 pages offer 3.5 million video links, each on a host of its own. The
# simulated web builds those pages when asked, so only the harvester's memory grows. Everything
# runs in a network namespace that has only loopback. The run ends by itself or is stopped like
# Ctrl-C after CH_HOSTILE_SECONDS (default 120); it then saves its lists. Fails unless the peak is
# under 200 MB.
# Usage: tools/measure-hostile-memory.sh [BUILD_DIR [SIMWEB]]   (default: build, its own simweb)
# SIMWEB (or CH_SIMWEB) lets the harvester of an older build run against this simulated web.
set -euo pipefail
cd "$(dirname "$0")/.."
build="$(realpath "${1:-build}")"
simweb="${2:-${CH_SIMWEB:-}}"
if [ -z "$simweb" ]; then
    cmake --build "$build" -j2 --target clipharvester-cli clipharvester-simweb >/dev/null
    simweb="$build/tools/simweb/clipharvester-simweb"
else
    cmake --build "$build" -j2 --target clipharvester-cli >/dev/null
fi
simweb="$(realpath "$simweb")"
[ -x /usr/bin/time ] || { echo "needs GNU time: apt-get install -y time"; exit 1; }
exec unshare -n -- bash -s "$build" "$simweb" "${CH_HOSTILE_SECONDS:-120}" <<'INNER'
set -euo pipefail
build="$1" simweb="$2" limit="$3"
ip link set lo up
work="$(mktemp -d)"
trap 'kill "$server" 2>/dev/null || true; rm -rf "$work"' EXIT

# Page 0 is the site; page i links pages 10i+1 .. 10i+10, so the crawler's three levels reach
# all of them. Each page offers 3,500 links numbered on from the pages before it.
pages=1000 per_page=3500
{
    echo "results * | farm.test/"
    awk -v pages="$pages" -v per="$per_page" 'BEGIN {
        for (i = 0; i < pages; ++i) {
            line = "hosts http://farm.test/" (i ? "p" i ".html" : "") " " i * per + 1 " " per
            for (c = 10 * i + 1; c <= 10 * i + 10 && c < pages; ++c)
                line = line " http://farm.test/p" c ".html"
            print line
        }
    }'
} > "$work/scenario.txt"
echo "hostile web: one site, $pages pages, $((pages * per_page)) video links on as many hosts"

coproc SIMWEB { exec "$simweb" --scenario "$work/scenario.txt"; }
server=$SIMWEB_PID
read -r port <&"${SIMWEB[0]}"
source tools/measure-cli-run.sh
ch_measured_cli_run "$work" "$port" "$build" "$limit"

pending="$work/program/funny_resource.lst"
bytes=0 entries=0
if [ -f "$pending" ]; then
    bytes="$(stat -c %s "$pending")"
    entries="$(grep -c . "$pending" || true)"
fi
echo "duration: $seconds s"
echo "exit status: $status"
echo "peak resident memory: $peak MB"
echo "pending videos list: $bytes bytes, $entries entries"
echo "last status lines:"
tr '\r' '\n' < "$work/out.txt" | grep -v '^[[:space:]]*$' | tail -n 6 | sed 's/^/  /'
if [ "$status" -eq 1 ] || [ "$status" -eq 2 ]; then
    echo "FAIL: the run itself failed, so its peak tells nothing"
    exit 1
fi
if [ "$peak" -ge 200 ]; then
    echo "FAIL: $peak MB is not under 200 MB"
    exit 1
fi
echo "OK: under 200 MB"
INNER
