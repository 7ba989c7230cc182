#!/usr/bin/env bash
# Sets up, builds and starts the program against the simulated meter
# (--demo). Without a display (no DISPLAY/WAYLAND_DISPLAY, or under CI) it
# runs on a virtual display and writes a picture of the main window instead.
# Extra arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
BUILD_DIR="${ZT_BUILD_DIR:-build}"
PROGRAM="$BUILD_DIR/zt-configurator"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || [ -n "${CI:-}" ]; then
  SHOT="${ZT_SCREENSHOT:-$PWD/$BUILD_DIR/zt-configurator-demo.png}"
  echo "No display: running the demo on a virtual display (Xvfb)."
  xvfb-run -a -s "-screen 0 1280x1024x24" "$PROGRAM" --demo --screenshot "$SHOT" "$@"
  echo "The main window against the simulated meter: $SHOT"
else
  exec "$PROGRAM" --demo "$@"
fi
