#!/usr/bin/env bash
# Checks the Windows archives that the windows workflow packed. The game's:
# one folder with the two programs, the three .cmd launchers, the how-to-play
# text, the map and every picture side by side, and nothing else (no engine
# files, no tools, no tests). The engine's: one folder with the header,
# libplax.a, the CMake package and the pkg-config file, and nothing else; a
# small program is then cross-built against it with find_package(plax) and run
# under Wine.
# Usage: scripts/windows-archive-check.sh [build folder]   (default build/windows)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build/windows}" && pwd)

# The one archive `pattern` in the build folder; fails when there is not
# exactly one.
single_archive() {
  local found=("$build"/$1)
  if [ ${#found[@]} -ne 1 ] || [ ! -f "${found[0]}" ]; then
    echo "no single $1 in $build" >&2
    exit 1
  fi
  echo "${found[0]}"
}

# The archive holds one folder named as itself, and in it exactly the files
# listed on standard input.
check_contents() {
  local zip=$1 top actual
  top=$(basename "$zip" .zip)
  actual=$(cmake -E tar tf "$zip" | grep -v '/$' | sed "s|^$top/||" | sort)
  if ! diff <(sort) - <<<"$actual"; then
    echo "$zip: the lines with < are missing, those with > should not be there" >&2
    exit 1
  fi
  if cmake -E tar tf "$zip" | grep -v "^$top/" | grep -q .; then
    echo "$zip: not everything lies in the folder $top/" >&2
    exit 1
  fi
  echo "$zip: $(wc -l <<<"$actual") files in $top/"
}

archive=$(single_archive 'tilegame-*-windows.zip')
{
  printf '%s\n' server.exe client.exe play.cmd host-lan-game.cmd join-lan-game.cmd how-to-play.txt map/Map
  (cd assets && find imgs -type f)
} | check_contents "$archive"

engine=$(single_archive 'plax-*-windows.zip')
engine_top=$(basename "$engine" .zip)
printf '%s\n' include/plax/plax.h lib/libplax.a lib/pkgconfig/plax.pc \
  lib/cmake/plax/plaxConfig.cmake lib/cmake/plax/plaxConfigVersion.cmake \
  lib/cmake/plax/plaxTargets.cmake lib/cmake/plax/plaxTargets-release.cmake |
  check_contents "$engine"

# A programmer's use of it: unpack, cross-build a small program with the CMake
# package alone (linked statically, as the game is, so Wine needs no MinGW
# DLLs) and run it.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake -E chdir "$work" cmake -E tar xf "$engine"
cmake -S tests/install/consumer -B "$work/consumer" -G Ninja \
  --toolchain "$PWD/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release \
  -Dplax_DIR="$work/$engine_top/lib/cmake/plax" -DCMAKE_EXE_LINKER_FLAGS=-static \
  >"$work/consumer.log" 2>&1 && cmake --build "$work/consumer" >>"$work/consumer.log" 2>&1 || {
  cat "$work/consumer.log"
  echo "$engine: a program does not build against it with find_package(plax)" >&2
  exit 1
}
if [ -x "$build/wine-run" ]; then
  answer=$("$build/wine-run" "$work/consumer/plax_consumer.exe" 2>/dev/null | tr -d '\r')
  if [ "$answer" != ok ]; then
    echo "$engine: the program built against it does not run under Wine (said: $answer)" >&2
    exit 1
  fi
fi
echo "$engine: a program builds and runs against it"
