#!/usr/bin/env bash
# Sets up, builds and starts the program. Extra arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
exec "${ZT_BUILD_DIR:-build}/zt-configurator" "$@"
