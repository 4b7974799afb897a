#!/usr/bin/env bash
# Installs what building and playing need, builds every program and tool into
# build/play/ (without the tests and benchmarks, so their libraries are not
# needed), and starts the game on the shipped map and sprites: the server (its
# lines in this terminal) and, once it listens, one client window. When the
# client ends, the server is stopped too.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "play: no display (DISPLAY is not set): the client needs a graphical session." >&2
  exit 1
fi

scripts/install-deps.sh play
cmake --preset play >/dev/null
cmake --build --preset play

exec scripts/start_game.sh "$root/build/play/bin" "$root/assets"
