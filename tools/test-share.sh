#!/usr/bin/env bash
# Share of test code: cloc code lines (all languages) under tests/ against the code lines of
# everything else in the repository. Counts the files git knows or would add (tracked and
# untracked, not ignored), so build folders, .git and generated files stay out; the fuzz
# corpora are left out too. Exits 1 when the share is above the limit.
#
#   tools/test-share.sh            limit 40%
#   CH_TEST_SHARE_LIMIT=50 tools/test-share.sh
set -euo pipefail

limit="${CH_TEST_SHARE_LIMIT:-40}"
cd "$(dirname "$0")/.."

if ! command -v cloc >/dev/null; then
    echo "Installing: cloc"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    { $sudo apt-get update -qq &&
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends cloc; } ||
        { echo "cloc is missing and could not be installed (apt-get install cloc)" >&2; exit 2; }
fi

lists="$(mktemp -d)"
trap 'rm -rf "$lists"' EXIT
git ls-files -co --exclude-standard | grep -vE '^(fuzz/corpus/|build[^/]*/)' >"$lists/all"
grep '^tests/' "$lists/all" >"$lists/tests" || true
grep -v '^tests/' "$lists/all" >"$lists/other" || true

# The code column of cloc's SUM row.
code_lines() {
    [ -s "$1" ] || { echo 0; return; }
    cloc --quiet --csv --list-file="$1" | awk -F, '$2 == "SUM" { print $5 }'
}
tests=$(code_lines "$lists/tests")
other=$(code_lines "$lists/other")
[ "${other:-0}" -gt 0 ] || { echo "no code outside tests/" >&2; exit 2; }

share=$(awk -v t="$tests" -v o="$other" 'BEGIN { printf "%.1f", 100 * t / o }')
echo "tests $tests / other $other = $share% (limit $limit%)"
awk -v s="$share" -v l="$limit" 'BEGIN { exit !(s > l) }' && exit 1
exit 0
