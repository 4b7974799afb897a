#!/usr/bin/env bash
# Installs what building and playing need, builds every program and tool into
# build/play/ (without the tests and benchmarks, so their libraries are not
# needed), and starts the game on the shipped map and sprites: the server (its
# lines in this terminal) and, once it listens, one client window. When the
# client ends, the server is stopped too. --lan hosts a LAN game the same way;
# --join [HOST] starts a LAN client only (scripts/start_game.sh starts them).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
source scripts/start_game.sh

usage() {
  echo "usage: scripts/play.sh [--lan | --join [HOST]] [--name NAME]"
  game_options_help
}
if [ "${1-}" = --help ]; then
  usage
  exit 0
fi
if ! game_options "$@"; then
  usage >&2
  exit 2
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "play: no display (DISPLAY is not set): the client needs a graphical session." >&2
  exit 1
fi

scripts/install-deps.sh play
cmake --preset play >/dev/null
cmake --build --preset play

exec scripts/start_game.sh "$root/build/play/bin" "$root/assets" "$@"
