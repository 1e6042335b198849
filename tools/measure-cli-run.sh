# Sourced by the measurement scripts: runs clipharvester-cli once against the simulated web and
# measures it.
#   ch_measured_cli_run WORK PORT BUILD LIMIT_SECONDS [CLI OPTION ...]
# runs "$BUILD/app/cli/clipharvester-cli --program-folder $WORK/program OPTIONS funny" through
# the proxy on 127.0.0.1:PORT under /usr/bin/time (its output in $WORK/out.txt), stops it like
# Ctrl-C when it is still running after LIMIT_SECONDS (a second Ctrl-C 60 s later), and sets
# status (its exit status), seconds (its duration) and peak (its peak resident memory in MB).
ch_measured_cli_run() {
    local work="$1" port="$2" build="$3" limit="$4"
    shift 4
    mkdir -p "$work/program"
    : > "$work/program/denied.txt"
    local started=$EPOCHREALTIME
    http_proxy="http://127.0.0.1:$port" no_proxy="" NO_PROXY="" \
        CLIPHARVESTER_NETWORK_DOWN_FLAG="$work/no-such-flag" \
        /usr/bin/time -v -o "$work/time.txt" \
        "$build/app/cli/clipharvester-cli" --program-folder "$work/program" "$@" funny \
        > "$work/out.txt" 2>&1 < /dev/null &
    local timer=$!
    # The signals go to the harvester itself: time waits on.
    cli() { cat "/proc/$timer/task/$timer/children" 2>/dev/null || true; }
    # Waits up to $1 seconds for the run to end; false when it has not.
    ended_within() {
        local deadline=$((SECONDS + $1))
        while kill -0 "$timer" 2>/dev/null; do
            [ "$SECONDS" -lt "$deadline" ] || return 1
            sleep 0.5
        done
    }
    # A first SIGINT stops and saves; a second saves the lists and ends at once.
    if ! ended_within "$limit"; then
        echo "still running after $limit s: stopping it with SIGINT"
        kill -INT $(cli)
        if ! ended_within 60; then
            echo "still saving after 60 s: a second SIGINT"
            kill -INT $(cli) 2>/dev/null || true
            ended_within 60 || { echo "FAIL: it did not end"; kill -KILL $(cli) 2>/dev/null || true; }
        fi
    fi
    status=0
    wait "$timer" || status=$?
    seconds="$(awk "BEGIN { printf \"%.1f\", $EPOCHREALTIME - $started }")"
    local kb
    kb="$(sed -n 's/^\tMaximum resident set size (kbytes): \([0-9]*\)$/\1/p' "$work/time.txt")"
    peak=$((kb / 1024))
}
