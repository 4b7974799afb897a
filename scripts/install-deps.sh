#!/usr/bin/env bash
# Installs the Debian packages that one job needs, if any is missing. Uses sudo
# when not run as root.
# Usage: scripts/install-deps.sh [play|test|screenshot]   (default: test)
#   play        building every program and tool, and playing
#   test        play, plus what the test command needs: the test and benchmark
#               libraries, the virtual display and its key and picture tools,
#               clang for the fuzz targets, clang-format, and for the Windows
#               programs the MinGW-w64 cross compiler and Wine; `ip` (iproute2)
#               for the tests that make two hosts of their own
#   screenshot  play, plus the virtual display and the picture tools that
#               scripts/screenshot.sh uses
set -euo pipefail

play_packages=(
  g++ cmake ninja-build pkg-config
  libsdl2-dev libsdl2-ttf-dev libfontconfig-dev fonts-dejavu-core
)
test_packages=(
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-dev clang-format
  xvfb xdotool x11-apps
  g++-mingw-w64-x86-64-posix wine wine64
  iproute2
)
# xwd comes with x11-apps; netpbm turns its dump into a PNG.
screenshot_packages=(xvfb x11-apps netpbm)

job=${1:-test}
case "$job" in
  play) packages=("${play_packages[@]}") ;;
  test) packages=("${play_packages[@]}" "${test_packages[@]}") ;;
  screenshot) packages=("${play_packages[@]}" "${screenshot_packages[@]}") ;;
  *)
    echo "usage: $0 [play|test|screenshot]" >&2
    exit 2
    ;;
esac

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq "${missing[@]}" </dev/null
