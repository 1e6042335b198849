#!/usr/bin/env bash
# Installs what is missing, builds ClipHarvester and starts it: the tray program when there is a
# display, otherwise (or with "demo") a whole harvest against the simulated web on this machine.
#
#   tools/start.sh          the tray program, or the demo without a display
#   tools/start.sh demo     the demo
#   tools/start.sh tray-demo   the demo with the tray program (needs a display)
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/deps.sh
ch_install_deps
ch_build
if [ "${1:-}" = tray-demo ]; then
    exec tools/demo.sh --tray build
fi
if [ "${1:-}" = demo ] || [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec tools/demo.sh build
fi
if [ ! -x build/app/tray/clipharvester ]; then
    echo "The tray program is not built yet; showing the demo instead."
    exec tools/demo.sh build
fi
exec build/app/tray/clipharvester
