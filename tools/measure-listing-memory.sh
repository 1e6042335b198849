#!/usr/bin/env bash
# Shows the peak resident memory of clipharvester-cli against an open directory: the search
# engine finds one Apache autoindex folder of CH_LISTING_FILES (default 40) .mkv videos of
# CH_LISTING_SIZE bytes (default 40 MiB), with its sort and parent links. The simulated web
# computes the video bytes, so only the harvester's memory counts. Everything runs in a network
# namespace that has only loopback. The run ends by itself or is stopped like Ctrl-C after
# CH_LISTING_SECONDS (default 300). Fails unless the peak is under 80 MB and no .mkv was read as a
# page (the harvester's "Begin to parse ... link" lines). CH_KEEP=FOLDER keeps the run's files.
# Usage: tools/measure-listing-memory.sh [BUILD_DIR [CLI OPTION ...]]   (default: build)
# e.g. tools/measure-listing-memory.sh build --max-size 0
set -euo pipefail
cd "$(dirname "$0")/.."
build="$(realpath "${1:-build}")"
shift || true
cmake --build "$build" -j2 --target clipharvester-cli clipharvester-simweb >/dev/null
[ -x /usr/bin/time ] || { echo "needs GNU time: apt-get install -y time"; exit 1; }
exec unshare -n -- bash -s "$build" "${CH_LISTING_SECONDS:-300}" "${CH_LISTING_FILES:-40}" \
    "${CH_LISTING_SIZE:-41943040}" "$@" <<'INNER'
set -euo pipefail
build="$1" limit="$2" files="$3" size="$4"
shift 4
ip link set lo up
work="$(mktemp -d)"
trap 'kill "$server" 2>/dev/null || true; [ -n "${CH_KEEP:-}" ] && cp -r "$work" "$CH_KEEP"; rm -rf "$work"' EXIT

cat > "$work/scenario.txt" <<SCENARIO
results * | files.test/videos/
listing http://files.test/videos/ clip $files $size
SCENARIO
echo "open directory: $files .mkv videos of $size bytes"

"$build/tools/simweb/clipharvester-simweb" --log --scenario "$work/scenario.txt" \
    > "$work/simweb.log" < /dev/null &
server=$!
for _ in $(seq 100); do [ -s "$work/simweb.log" ] && break; sleep 0.1; done
port="$(head -n 1 "$work/simweb.log")"
source tools/measure-cli-run.sh
# --verbose: the status lines tell pages from videos.
ch_measured_cli_run "$work" "$port" "$build" "$limit" --verbose "$@"

requests="$(grep -c '^GET ' "$work/simweb.log" || true)"
mkv="$(grep -c '^GET [^ ]*\.mkv ' "$work/simweb.log" || true)"
distinct="$(grep -o '^GET [^ ]*\.mkv ' "$work/simweb.log" | sort -u | wc -l)"
status_lines="$(tr '\r' '\n' < "$work/out.txt")"
as_pages="$(grep -c 'Begin to parse .*link .*\.mkv$' <<< "$status_lines" || true)"
as_videos="$(grep -c 'Download [0-9]* started: .*\.mkv$' <<< "$status_lines" || true)"
saved="$(find "$work/program" -name '*.mkv' -size "${size}c" | wc -l)"
echo "duration: $seconds s"
echo "exit status: $status"
echo "peak resident memory: $peak MB"
echo "requests: $requests in all, $mkv for .mkv files ($distinct distinct)"
echo ".mkv started as videos: $as_videos, read as pages: $as_pages, saved whole: $saved"
echo "other requests:"
grep '^GET ' "$work/simweb.log" | grep -v '\.mkv ' | sed 's/^/  /' || true
echo "last status lines:"
tr '\r' '\n' < "$work/out.txt" | grep -v '^[[:space:]]*$' | tail -n 4 | sed 's/^/  /'
fail=0
if [ "$status" -eq 1 ] || [ "$status" -eq 2 ]; then
    echo "FAIL: the run itself failed, so its peak tells nothing"
    fail=1
fi
[ "$peak" -lt 80 ] || { echo "FAIL: $peak MB is not under 80 MB"; fail=1; }
[ "$as_pages" -eq 0 ] || { echo "FAIL: $as_pages .mkv links were read as pages"; fail=1; }
[ "$fail" -eq 0 ] && echo "OK: under 80 MB, no .mkv read as a page"
exit "$fail"
INNER
