#!/usr/bin/env bash
# Makes the pictures of the user guide against the simulated meter:
# docs/images/page-N.png for the pages 0 (current parameters) to 14
# (workbench). Without a display it runs on a virtual one (Xvfb). A program
# that cannot show a chosen page yet (no --page) gives the main window once,
# as page-0.png.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${ZT_BUILD_DIR:-build}"
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  scripts/setup.sh
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$BUILD_DIR" -j"${ZT_JOBS:-2}" --target zt-configurator
PROGRAM="$BUILD_DIR/zt-configurator"
OUT="$PWD/docs/images"
mkdir -p "$OUT"

shoot() {
  if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || [ -n "${CI:-}" ]; then
    xvfb-run -a -s "-screen 0 1280x1024x24" "$PROGRAM" --demo "$@"
  else
    "$PROGRAM" --demo "$@"
  fi
}

if "$PROGRAM" --help | grep -q -- '--page'; then
  for n in $(seq 0 14); do
    shoot --page "$n" --screenshot "$OUT/page-$n.png"
  done
else
  echo "zt-configurator has no --page yet: the main window only"
  shoot --screenshot "$OUT/page-0.png"
fi
