#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer (ASan and UBSan) and runs each for a while.
#   tools/fuzz.sh [seconds per target] [build folder]
# The targets run side by side at low priority. New inputs go to <build folder>/work/<target>,
# findings to <build folder>/findings/<target>/; copy a finding into fuzz/reproducers/<target>/
# once it is fixed, so that the test pass replays it from then on.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build="${2:-build-fuzz}"
targets=(page_parser results_parser search_engines resolve_link list_file file_name)
sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=undefined"

CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCH_BUILD_GUI=OFF -DCH_BUILD_TESTS=OFF -DCH_BUILD_BENCH=OFF -DCH_FUZZ_LIBFUZZER=ON \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link $sanitizers" \
    -DCMAKE_EXE_LINKER_FLAGS="$sanitizers"
cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}"

# List-file writes flush to disk; a memory-backed temporary folder keeps them fast.
scratch=/dev/shm
[ -d "$scratch" ] && [ -w "$scratch" ] || scratch="${TMPDIR:-/tmp}"
pids=()
for target in "${targets[@]}"; do
    mkdir -p "$build/work/$target" "$build/findings/$target"
    seeds=(fuzz/corpus/"$target")
    [ -d fuzz/reproducers/"$target" ] && seeds+=(fuzz/reproducers/"$target")
    TMPDIR="$scratch" nice -n 15 "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 \
        -print_final_stats=1 -artifact_prefix="$build/findings/$target/" \
        "$build/work/$target" "${seeds[@]}" >"$build/$target.log" 2>&1 &
    pids+=($!)
done
status=0
for i in "${!targets[@]}"; do
    if wait "${pids[$i]}"; then result=clean; else result="FINDING"; status=1; fi
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$build/${targets[$i]}.log" | grep -o '[0-9]*$' || echo "?")
    echo "${targets[$i]}: $runs executions, $result (log: $build/${targets[$i]}.log)"
done
exit $status
