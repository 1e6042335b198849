#!/usr/bin/env bash
# `cmake --install` lays out a program folder: the program with an empty denied list beside it,
# the icons and the desktop entry; installing again never replaces a denied list in use.
#   install_layout_test.sh BUILD_DIR
set -euo pipefail
build="$1"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
[ -x "$prefix/clipharvester" ] || fail "no program in the folder"
[ -f "$prefix/denied.txt" ] && [ ! -s "$prefix/denied.txt" ] || fail "no empty denied.txt"
for size in 16 32 256; do
    [ -s "$prefix/share/icons/hicolor/${size}x${size}/apps/clipharvester.png" ] ||
        fail "no ${size} px icon"
done
entry="$prefix/share/applications/clipharvester.desktop"
grep -qx "Exec=$prefix/clipharvester" "$entry" || fail "the desktop entry names another program"

printf 'kept\r\n' >"$prefix/denied.txt"
cmake --install "$build" --prefix "$prefix" >/dev/null
[ "$(cat "$prefix/denied.txt")" = $'kept\r' ] || fail "a second install replaced denied.txt"
echo "install layout: ok"
