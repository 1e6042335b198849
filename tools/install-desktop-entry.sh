#!/usr/bin/env bash
# Puts the desktop entry of an installed program folder where the desktop's menu finds it:
# $XDG_DATA_HOME/applications (~/.local/share/applications when XDG_DATA_HOME is not set), so
# ClipHarvester appears in the menu of the user who runs this. The entry is the one that
# `cmake --install build --prefix FOLDER` wrote into FOLDER/share/applications, whose Exec line
# names FOLDER/clipharvester.
#   tools/install-desktop-entry.sh FOLDER            add (or replace) the menu entry
#   tools/install-desktop-entry.sh --remove          take it out of the menu again
set -euo pipefail
data_home="${XDG_DATA_HOME:-$HOME/.local/share}"
# A relative XDG_DATA_HOME is invalid and must be ignored.
[[ "$data_home" == /* ]] || data_home="$HOME/.local/share"
menu="$data_home/applications"
installed="$menu/clipharvester.desktop"

refresh_menu() {
    if command -v update-desktop-database >/dev/null; then update-desktop-database "$menu" || true; fi
}

case "${1:-}" in
    "" | -h | --help)
        sed -n '2,8s/^# \{0,1\}//p' "$0"
        [ -n "${1:-}" ]
        exit
        ;;
    --remove)
        rm -f "$installed"
        refresh_menu
        echo "removed $installed"
        exit
        ;;
esac

folder="$(realpath "$1")"
entry="$folder/share/applications/clipharvester.desktop"
if [ ! -x "$folder/clipharvester" ] || [ ! -f "$entry" ]; then
    echo "install-desktop-entry: $folder is not an installed program folder;" \
        "run 'cmake --install build --prefix $1' first" >&2
    exit 1
fi
mkdir -p "$menu"
# Written beside the entry and renamed, so the menu never reads half a file.
cp "$entry" "$installed.tmp"
mv -f "$installed.tmp" "$installed"
refresh_menu
echo "installed $installed"
grep '^Exec=' "$installed"
