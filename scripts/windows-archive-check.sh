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

archives=("$build"/tilegame-*-windows.zip)
if [ ${#archives[@]} -ne 1 ] || [ ! -f "${archives[0]}" ]; then
  echo "no single tilegame-*-windows.zip in $build" >&2
  exit 1
fi
archive=${archives[0]}
top=$(basename "$archive" .zip)

# What the archive must hold, below its one folder.
expected=$(
  printf '%s\n' server.exe client.exe play.cmd host-lan-game.cmd join-lan-game.cmd how-to-play.txt map/Map
  (cd assets && find imgs -type f)
)
actual=$(cmake -E tar tf "$archive" | grep -v '/$' | sed "s|^$top/||" | sort)
if ! diff <(sort <<<"$expected") - <<<"$actual"; then
  echo "$archive: the lines with < are missing, those with > should not be there" >&2
  exit 1
fi
if cmake -E tar tf "$archive" | grep -v "^$top/" | grep -q .; then
  echo "$archive: not everything lies in the folder $top/" >&2
  exit 1
fi
echo "$archive: $(wc -l <<<"$actual") files in $top/"

engines=("$build"/plax-*-windows.zip)
if [ ${#engines[@]} -ne 1 ] || [ ! -f "${engines[0]}" ]; then
  echo "no single plax-*-windows.zip in $build" >&2
  exit 1
fi
engine=${engines[0]}
engine_top=$(basename "$engine" .zip)
expected=$(printf '%s\n' include/plax/plax.h lib/libplax.a lib/pkgconfig/plax.pc \
  lib/cmake/plax/plaxConfig.cmake lib/cmake/plax/plaxConfigVersion.cmake \
  lib/cmake/plax/plaxTargets.cmake lib/cmake/plax/plaxTargets-release.cmake)
actual=$(cmake -E tar tf "$engine" | grep -v '/$' | sed "s|^$engine_top/||" | sort)
if ! diff <(sort <<<"$expected") - <<<"$actual"; then
  echo "$engine: the lines with < are missing, those with > should not be there" >&2
  exit 1
fi
if cmake -E tar tf "$engine" | grep -v "^$engine_top/" | grep -q .; then
  echo "$engine: not everything lies in the folder $engine_top/" >&2
  exit 1
fi

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
echo "$engine: $(wc -l <<<"$actual") files in $engine_top/, a program builds and runs against it"
