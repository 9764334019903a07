#!/usr/bin/env bash
# Installs what is missing, builds, and starts the window program in the working
# folder. Without a display it still installs and builds (scatter-map makes maps
# without one), then says what the windows need and how to make a map, and ends
# with status 1 without starting the window program.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/display-check.sh
scripts/install-deps.sh
scripts/build.sh
require_display "$PWD/build/work" || exit 1
cd build/work
exec ./Dorvalis-3
