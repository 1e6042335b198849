#!/usr/bin/env bash
# Measures clipharvester-cli against the tools a user would pick instead (GNU wget, wget2,
# HTTrack) and against a ceiling (one curl process, five transfers at a time) on a synthetic web
# served by the simulated web on 127.0.0.1, with and without a 30 ms server delay per answer;
# then the memory check (five 50 MB videos at once) and the micro-benchmarks. Prints one table.
#
#   tools/bench.sh [small|medium|large]          (default: medium)
#
# Needs root: it installs the peers from Debian, then runs everything in a network namespace with
# only loopback, so nothing can leave the machine. Never part of the tests.
# Environment:
#   CH_BENCH_DIR=DIR     where the web and the downloads go (default: a new folder in /tmp)
#   CH_BENCH_KEEP=1      keep that folder afterwards (it is deleted otherwise)
#   CH_BENCH_DELAYS="0 30"  the server delays to measure, in milliseconds
#   CH_BENCH_TOOLS="ours wget wget2 httrack curl"  the tools to run
#   CH_BENCH_MICRO=0     skip the micro-benchmarks
#   CH_BENCH_TIMEOUT=600 seconds after which one tool's run is ended
#   CH_BENCH_HTTRACK_TIMEOUT=120  the same for HTTrack, which waits about a second per link here
set -euo pipefail
export LC_ALL=C
video_extensions="avi,mpg,mpeg,wmv,mov,flv,mpe,mpa,asf,asx,rm,rmvb"

# One tool's run, as "bench.sh --run-tool TOOL WEB_FOLDER PORT" in the output folder; the tool
# replaces this shell, so the time and memory measured are its own.
if [ "${1:-}" = --run-tool ]; then
    tool="$2" web="$3" port="$4" proxy="http://127.0.0.1:$4"
    domains="$(cat "$web/domains.txt")"
    accept="$video_extensions,html,htm,php"
    case "$tool" in
    ours)
        export CLIPHARVESTER_NETWORK_DOWN_FLAG=/nonexistent/clipharvester-bench-network-down
        http_proxy="$proxy" exec "$5" --program-folder program funny ;;
    wget)
        http_proxy="$proxy" exec wget -r -l 4 -H -D "$domains" -A "$accept" -e robots=off \
            -o wget.log -i "$web/sites.txt" ;;
    wget2)
        http_proxy="$proxy" exec wget2 -r -l 4 -H -D "$domains" -A "$accept" --robots=off \
            --max-threads=5 -o wget2.log -i "$web/sites.txt" ;;
    httrack)
        rules=()
        for extension in ${accept//,/ }; do rules+=("+*.$extension"); done
        mapfile -t sites <"$web/sites.txt"
        exec httrack "${sites[@]}" -O mirror -r5 -s0 -A1000000000 -%c1000 \
            --disable-security-limits -P "127.0.0.1:$port" -q "-*" "+*/" "${rules[@]}" ;;
    curl)
        # Without --parallel-immediate curl holds each new transfer back until it knows whether
        # a connection can be shared, which costs it two thirds of its speed at 30 ms.
        exec curl --parallel --parallel-immediate --parallel-max 5 -s -x "$proxy" \
            -K "$web/curl.txt" ;;
    esac
    exit 2
fi

root="$(cd "$(dirname "$0")/.." && pwd)"
scale="${1:-medium}"
case "$scale" in small | medium | large) ;; *)
    echo "usage: tools/bench.sh [small|medium|large]" >&2
    exit 2
    ;;
esac
build="$root/build-bench"

if [ -z "${CH_BENCH_ISOLATED:-}" ]; then
    [ "$(id -u)" -eq 0 ] || { echo "bench: run as root (it needs a network namespace)" >&2; exit 1; }
    missing=()
    for package in wget wget2 httrack curl time bc iproute2 util-linux libbenchmark-dev; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
            missing+=("$package")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "bench: installing ${missing[*]}"
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" \
        -DCH_BUILD_TESTS=OFF >/dev/null
    cmake --build "$build" -j2 --target clipharvester-cli clipharvester-simweb bench_synthetic_web \
        list_bench web_bench >/dev/null
    export CH_BENCH_ISOLATED=yes
    exec unshare -n -- nice -n 10 "$0" "$@"
fi
ip link set lo up

work="${CH_BENCH_DIR:-$(mktemp -d /tmp/clipharvester-bench.XXXXXX)}"
mkdir -p "$work"
server_pid=""
finish() {
    [ -z "$server_pid" ] || { kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; }
    [ "${CH_BENCH_KEEP:-0}" = 1 ] || rm -rf "$work"
}
trap finish EXIT

cli="$build/app/cli/clipharvester-cli"
simweb="$build/tools/simweb/clipharvester-simweb"
generator="$build/bench/peers/bench_synthetic_web"
self="$(cd "$(dirname "$0")" && pwd)/$(basename "$0")"
video_pattern='[.](avi|mpg|mpeg|wmv|mov|flv|mpe|mpa|asf|asx|rm|rmvb)$'
timeout_seconds="${CH_BENCH_TIMEOUT:-600}"
results="$work/results.tsv"
: >"$results"

# Starts the simulated web on the scenario with the delay; sets port and server_pid.
start_server() {
    local scenario="$1" delay="$2" log="$3"
    "$simweb" --port 0 --scenario "$scenario" --delay-ms "$delay" --log </dev/null >"$log" 2>&1 &
    server_pid=$!
    local tries=0
    until [ -s "$log" ] && head -1 "$log" | grep -qE '^[0-9]+$'; do
        tries=$((tries + 1))
        [ $tries -lt 600 ] && kill -0 "$server_pid" 2>/dev/null || { echo "bench: simulated web did not start" >&2; cat "$log" >&2; exit 1; }
        sleep 0.1
    done
    port="$(head -1 "$log")"
}

stop_server() {
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
    server_pid=""
}

field() { grep -F "$1" "$2" | sed 's/.*: //'; }

# Runs the tool, then appends one line to the results: condition, tool, status, wall s, CPU s,
# peak kB, pages fetched, video fetches, videos saved, kept videos saved whole, video bytes.
measure() {
    local condition="$1" tool="$2" web="$3" scenario="$4" delay="$5"
    local out="$work/run-$tool" log="$work/server-$condition-$tool.log"
    rm -rf "$out"
    mkdir -p "$out"
    start_server "$scenario" "$delay" "$log"
    local start end status=0 limit="$timeout_seconds"
    [ "$tool" != httrack ] || limit="${CH_BENCH_HTTRACK_TIMEOUT:-120}"
    start="$(date +%s.%N)"
    (cd "$out" && /usr/bin/time -v -o "$work/time.txt" timeout -k 10 "$limit" \
        "$self" --run-tool "$tool" "$web" "$port" "$cli" >"$work/output-$condition-$tool.txt" 2>&1) ||
        status=$?
    end="$(date +%s.%N)"
    stop_server
    local wall cpu rss pages videos saved kept bytes
    wall="$(echo "$end - $start" | bc)"
    cpu="$(echo "$(field 'User time' "$work/time.txt") + $(field 'System time' "$work/time.txt")" | bc)"
    rss="$(field 'Maximum resident set size' "$work/time.txt")"
    read -r pages videos < <(awk -v video="$video_pattern" '$1 == "GET" {
        url = tolower($2)
        if (url ~ video) videos++
        else if (url !~ /\.(jpg|pdf)$|\/robots\.txt$/) pages++
    } END {print pages + 0, videos + 0}' "$log")
    find "$out" -type f -regextype posix-extended -iregex ".*$video_pattern" -printf '%s\n' |
        sort >"$work/saved_sizes.txt"
    saved="$(wc -l <"$work/saved_sizes.txt")"
    kept="$(comm -12 "$work/saved_sizes.txt" <(sort "$web/kept_sizes.txt") | wc -l)"
    bytes="$(awk '{s += $1} END {print s + 0}' "$work/saved_sizes.txt")"
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$condition" "$tool" "$status" "$wall" \
        "$cpu" "$rss" "$pages" "$videos" "$saved" "$kept" "$bytes" >>"$results"
    rm -rf "$out"
}

echo "Generating the $scale web ..."
"$generator" "$scale" "$work/web" >"$work/expected.txt"
"$generator" fivebig "$work/fivebig" >/dev/null
expected_pages="$(awk '$1 == "pages" {print $2}' "$work/expected.txt")"
expected_kept="$(awk '$1 == "kept_videos" {print $2}' "$work/expected.txt")"
expected_bytes="$(awk '$1 == "kept_bytes" {print $2}' "$work/expected.txt")"

for delay in ${CH_BENCH_DELAYS:-0 30}; do
    condition="${delay}ms"
    for tool in ${CH_BENCH_TOOLS:-ours wget wget2 httrack curl}; do
        echo "Running $tool with a ${delay} ms delay ..."
        measure "$condition" "$tool" "$work/web" "$work/web/scenario.txt" "$delay"
    done
done
if [[ " ${CH_BENCH_TOOLS:-ours} " == *" ours "* ]]; then
    echo "Running ours on five 50 MB videos ..."
    measure "5x50MB" ours "$work/fivebig" "$work/fivebig/scenario.txt" 0
fi

echo
echo "ClipHarvester benchmark, $scale web: $(awk '{printf "%s %s, ", $1, $2}' "$work/expected.txt" | sed 's/, $//')"
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'), $(free -g | awk '/Mem:/ {print $2}') GB;" \
    "$(. /etc/os-release && echo "$PRETTY_NAME"); $(date -u +%Y-%m-%d)"
echo "Versions: $("$cli" --version | head -1), $(wget --version | head -1 | awk '{print $1, $2, $3}')," \
    "$(wget2 --version | head -1 | awk '{print $2, $3}'), $(httrack --version | head -1 | awk '{print $1, $3}')," \
    "$(curl --version | head -1 | awk '{print $1, $2}')"
echo
awk -F '\t' -v pages="$expected_pages" -v kept="$expected_kept" '
BEGIN {
    printf "| %-6s | %-7s | %7s | %6s | %8s | %7s | %5s | %6s | %6s | %9s | %8s | %5s |\n",
        "delay", "tool", "wall s", "CPU s", "CPU ms/p", "peak MB", "pages", "videos", "saved",
        "kept", "video MB", "MB/s"
    printf "|%s|%s|%s|%s|%s|%s|%s|%s|%s|%s|%s|%s|\n", "--------", "---------", "--------:",
        "-------:", "---------:", "--------:", "------:", "-------:", "-------:", "----------:",
        "---------:", "------:"
}
{
    tool = $2; if ($3 != 0) tool = tool "*"
    printf "| %-6s | %-7s | %7.2f | %6.2f | %8.2f | %7.1f | %5d | %6d | %6d | %4d/%-4d | %8.1f | %5.1f |\n",
        $1, tool, $4, $5, ($7 > 0 ? 1000 * $5 / $7 : 0), $6 / 1024, $7, $8, $9, $10,
        ($1 == "5x50MB" ? 5 : kept), $11 / 1e6, $11 / 1e6 / $4
}' "$results"
echo
echo "pages: page requests the server answered; videos: video requests; saved: video files written;"
echo "kept: videos over 200,000 bytes saved whole, of those in reach; * the tool ended with an error"
echo "status or was stopped at its time limit (${timeout_seconds} s, HTTrack ${CH_BENCH_HTTRACK_TIMEOUT:-120} s)."

# The targets, each a ratio of two runs of this same invocation.
value() { awk -F '\t' -v c="$1" -v t="$2" -v k="$3" '$1 == c && $2 == t {print $k}' "$results"; }
verdict() { if [ "$(echo "$1" | bc -l)" = 1 ]; then echo met; else echo MISSED; fi; }
echo
echo "Targets:"
if [ -n "$(value 30ms ours 4)" ] && [ -n "$(value 30ms wget 4)" ] && [ -n "$(value 30ms wget2 4)" ]; then
    ours="$(value 30ms ours 4)" wget="$(value 30ms wget 4)" wget2="$(value 30ms wget2 4)"
    printf -- "- 30 ms: wall time at most 0.3 x wget: %.2f x, %s\n" "$(echo "$ours / $wget" | bc -l)" "$(verdict "$ours <= 0.3 * $wget")"
    printf -- "- 30 ms: wall time no more than wget2: %.2f x, %s\n" "$(echo "$ours / $wget2" | bc -l)" "$(verdict "$ours <= $wget2")"
    printf -- "- 30 ms: every video in reach saved: %s of %s, %s\n" "$(value 30ms ours 10)" "$expected_kept" "$(verdict "$(value 30ms ours 10) == $expected_kept")"
fi
if [ -n "$(value 0ms ours 4)" ] && [ -n "$(value 0ms wget 4)" ]; then
    ours="$(value 0ms ours 4)" wget="$(value 0ms wget 4)"
    printf -- "- loopback: no slower than wget: %.2f x, %s\n" "$(echo "$ours / $wget" | bc -l)" "$(verdict "$ours <= $wget")"
    ours_cpu="$(echo "$(value 0ms ours 5) / $(value 0ms ours 7)" | bc -l)"
    wget_cpu="$(echo "$(value 0ms wget 5) / $(value 0ms wget 7)" | bc -l)"
    printf -- "- loopback: CPU per page no more than wget's: %.2f x, %s\n" "$(echo "$ours_cpu / $wget_cpu" | bc -l)" "$(verdict "$ours_cpu <= $wget_cpu")"
fi
for condition in 0ms 30ms; do
    if [ -n "$(value $condition ours 4)" ] && [ -n "$(value $condition curl 4)" ]; then
        ours="$(echo "$(value $condition ours 11) / $(value $condition ours 4)" | bc -l)"
        curl="$(echo "$(value $condition curl 11) / $(value $condition curl 4)" | bc -l)"
        printf -- "- %s: video throughput at least 70%% of curl's: %.0f%%, %s\n" "$condition" "$(echo "100 * $ours / $curl" | bc -l)" "$(verdict "$ours >= 0.7 * $curl")"
    fi
done
if [ -n "$(value 5x50MB ours 6)" ]; then
    printf -- "- five 50 MB downloads: peak memory under 100 MB: %.1f MB, %s\n" "$(echo "$(value 5x50MB ours 6) / 1024" | bc -l)" "$(verdict "$(value 5x50MB ours 6) < 102400")"
fi

if [ "${CH_BENCH_MICRO:-1}" != 0 ]; then
    echo
    echo "Micro-benchmarks:"
    for bench in list_bench web_bench; do
        "$build/bench/$bench" --benchmark_min_time=0.2 2>/dev/null | grep -E '^BM_'
    done
fi
