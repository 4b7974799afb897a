#!/usr/bin/env bash
# Checks the Windows archive that the windows workflow packed: one folder with
# the two programs, the three .cmd launchers, the how-to-play text, the map and
# every picture side by side, and nothing else (no engine files, no tools, no
# tests).
# Usage: scripts/windows-archive-check.sh [build folder]   (default build/windows)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/windows}

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
