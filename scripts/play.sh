#!/usr/bin/env bash
# Installs what building and playing need, builds every program and tool into
# build/play/ (without the tests and benchmarks, so their libraries are not
# needed), and starts the game: the server (its lines in this terminal) and
# one client window, both on the shipped map and sprites. When the client
# ends, the server is stopped too.
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

bin="$root/build/play/bin"
source "$root/scripts/game_port.sh"
if listening; then
  echo "play: port 33222 is already in use (is a server running?)." >&2
  exit 1
fi

# Both programs read map/Map and imgs/... from their working directory.
cd "$root/assets"
"$bin/server" </dev/null &
server_pid=$!
trap 'kill "$server_pid" 2>/dev/null; wait "$server_pid" 2>/dev/null' EXIT
for _ in $(seq 100); do
  listening && break
  if ! kill -0 "$server_pid" 2>/dev/null; then
    echo "play: the server ended before it was listening." >&2
    exit 1
  fi
  sleep 0.05
done
"$bin/client"
