#!/usr/bin/env bash
# `cmake --install` lays out a program folder: the program with an empty denied list beside it,
# the icons and the desktop entry; installing again never replaces a denied list in use.
# tools/install-desktop-entry.sh puts that entry where the user's menu finds it.
#   install_layout_test.sh BUILD_DIR
set -euo pipefail
build="$1"
tools="$(cd "$(dirname "$0")/../../tools" && pwd)"
prefix="$(mktemp -d)"
other="$(mktemp -d)"
trap 'rm -rf "$prefix" "$other"' EXIT
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

# The user's menu: XDG_DATA_HOME/applications, and out of it again.
XDG_DATA_HOME="$other/data" "$tools/install-desktop-entry.sh" "$prefix" >/dev/null
cmp -s "$entry" "$other/data/applications/clipharvester.desktop" || fail "no entry in the menu"
XDG_DATA_HOME="$other/data" "$tools/install-desktop-entry.sh" --remove >/dev/null
[ ! -e "$other/data/applications/clipharvester.desktop" ] || fail "the menu entry stayed"

# A folder name with a blank and a dollar sign is quoted and escaped in the Exec line.
spaced="$other/Clip \$Harvester"
cmake --install "$build" --prefix "$spaced" >/dev/null
grep -qxF "Exec=\"$other/Clip \\\\\$Harvester/clipharvester\"" \
    "$spaced/share/applications/clipharvester.desktop" || fail "an unquoted Exec line"
echo "install layout: ok"
