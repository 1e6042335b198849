#!/usr/bin/env bash
# Installs what is missing, builds ClipHarvester and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/deps.sh
ch_install_deps
ch_build
echo "Built. The program will start here once it exists."
