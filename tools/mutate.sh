#!/usr/bin/env bash
# Mutation check: breaks one rule at a time (tools/mutants.txt) in a scratch copy of the tree,
# rebuilds the listed test binaries and runs them; a mutant the tests do not notice "survived".
#
#   tools/mutate.sh [PATTERN]     run only the mutants whose id matches PATTERN (extended regex)
#
# The tree the script is run from is never modified: tracked and untracked files are copied to
# CH_MUTATE_DIR/src (default /tmp/ch-mutate/src, reused between runs), built in CH_MUTATE_DIR/build.
# CH_MUTATE_TIMEOUT (default 300) is the per-mutant limit in seconds; a hang counts as killed.
# Each mutant's build and test output is kept in CH_MUTATE_DIR/log/ID.txt.
set -uo pipefail

pattern="${1:-}"
root="$(cd "$(dirname "$0")/.." && pwd)"
work="${CH_MUTATE_DIR:-/tmp/ch-mutate}"
src="$work/src"
build="$work/build"
limit="${CH_MUTATE_TIMEOUT:-300}"
list="$root/tools/mutants.txt"
log="$work/log"

if ! command -v rsync >/dev/null; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing: rsync"
    { $sudo apt-get update -qq &&
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends rsync; } ||
        { echo "rsync is missing and could not be installed (apt-get install rsync)" >&2; exit 2; }
fi
# shellcheck disable=SC1091
[ -f /work/ccache.env ] && source /work/ccache.env

# Mutant lines: id | path | original text | replacement | test targets | description
mapfile -t mutants < <(grep -vE '^\s*(#|$)' "$list" | awk -F' \\| ' -v p="$pattern" 'p == "" || $1 ~ p')
[ ${#mutants[@]} -gt 0 ] || { echo "no mutant matches '$pattern'" >&2; exit 2; }
field() { awk -F' \\| ' -v n="$2" '{ print $n }' <<<"$1"; }

mkdir -p "$src" "$log"
# Only files whose content differs are copied, with a fresh time stamp, so the reused build
# recompiles exactly those (a left-over mutated file included).
(cd "$root" && git ls-files -co --exclude-standard -z) |
    rsync -rlp --checksum --from0 --files-from=- "$root/" "$src/" || { echo "copy to $src failed" >&2; exit 2; }
[ -f "$build/build.ninja" ] ||
    cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCH_BUILD_BENCH=OFF -DCH_BUILD_FUZZ=OFF >"$log/configure.txt" ||
    { echo "configure failed, see $log/configure.txt" >&2; exit 2; }

targets=$(for m in "${mutants[@]}"; do field "$m" 5; done | tr ' ' '\n' | sort -u | xargs)
echo "building $targets"
# shellcheck disable=SC2086
cmake --build "$build" -j2 --target $targets >"$log/baseline.txt" 2>&1 ||
    { echo "the unmutated tree does not build, see $log/baseline.txt" >&2; exit 2; }

declare -A binary
for t in $targets; do binary[$t]=$(find "$build" -type f -name "$t" -perm -u+x | head -1); done

# Runs the given test binaries in a network namespace with only loopback.
run_tests() {
    local cmd="ip link set lo up"
    for t in "$@"; do cmd+=" && '${binary[$t]}' --gtest_brief=1"; done
    timeout -k 10 "$limit" unshare -n -- bash -c "$cmd"
}

# An interrupted run leaves the scratch tree unmutated.
mutated=""
trap '[ -n "$mutated" ] && cp "$work/original" "$mutated"; exit 130' INT TERM

killed=0 counted=0 stale=()
for m in "${mutants[@]}"; do
    id=$(field "$m" 1) path=$(field "$m" 2) from=$(field "$m" 3) to=$(field "$m" 4)
    read -ra tests <<<"$(field "$m" 5)"
    what=$(field "$m" 6)
    file="$src/$path"
    count=$(grep -cF -- "$from" "$file" 2>/dev/null)
    if [ "$count" != 1 ] || [ "$(grep -oF -- "$from" "$file" | wc -l)" != 1 ]; then
        stale+=("$id ($path: anchor found ${count:-0} times): $what")
        echo "stale     $id  $what"
        continue
    fi
    cp "$file" "$work/original"
    mutated="$file"
    FROM="$from" TO="$to" perl -0pi -e 's/\Q$ENV{FROM}\E/$ENV{TO}/' "$file"
    counted=$((counted + 1))
    start=$SECONDS
    if ! cmake --build "$build" -j2 --target "${tests[@]}" >"$log/$id.txt" 2>&1; then
        result="killed (build)"
    else
        run_tests "${tests[@]}" >>"$log/$id.txt" 2>&1
        case $? in
            0) result="survived" ;;
            124 | 137) result="killed (timeout)" ;;
            *) result="killed" ;;
        esac
    fi
    [ "$result" = survived ] || killed=$((killed + 1))
    # A plain copy gets a new time stamp, so the restored file is rebuilt.
    cp "$work/original" "$file"
    mutated=""
    printf '%-9s %s  %s  (%ds)\n' "$result" "$id" "$what" $((SECONDS - start))
done

# Leave the build matching the unmutated tree for the next run.
# shellcheck disable=SC2086
cmake --build "$build" -j2 --target $targets >/dev/null 2>&1
echo "${#stale[@]} stale"
for s in "${stale[@]}"; do echo "  stale: $s"; done
echo "$killed killed of $counted"
