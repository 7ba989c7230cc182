#!/usr/bin/env bash
# Installs every Debian package that the build, the tests and the program
# need, only those that are missing; silent when everything is there.
# --fuzz adds what the fuzzing build needs.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libqcustomplot-dev libqcustomplot2.1-qt6
  libpugixml-dev nlohmann-json3-dev libserialport-dev libxlsxwriter-dev unzip
  libgtest-dev libgmock-dev libbenchmark-dev
  libmodbus-dev mbpoll
  xvfb xauth
  fonts-dejavu-core
  dpkg-dev file librsvg2-bin pandoc desktop-file-utils
)

# The fuzzing build (scripts/fuzz.sh) also needs clang and its libFuzzer.
if [ "${1:-}" = "--fuzz" ]; then
  PACKAGES+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq >/dev/null
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
