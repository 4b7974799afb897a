#!/usr/bin/env bash
# Starts the game from built programs, in the game folder where both find
# map/Map and imgs/: the server (its lines in this terminal) and, once it
# listens with its map, one client window. A server that cannot start starts
# no client: its line is repeated and the script fails. When the client ends,
# the server is stopped too.
# Usage: scripts/start_game.sh <folder with server and client> <game folder>
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: $0 <folder with server and client> <game folder>" >&2
  exit 2
fi
bin="$(cd "$1" && pwd)"
cd "$2"

status="$(mktemp -d)"
"$bin/server" --ready-file "$status/ready" </dev/null &
server_pid=$!
trap 'kill "$server_pid" 2>/dev/null; wait "$server_pid" 2>/dev/null; rm -rf "$status"' EXIT
# The server writes the file once start-up has ended either way; one that
# ends without it (killed, crashed) ends the wait too.
for _ in $(seq 200); do
  [ -s "$status/ready" ] && break
  kill -0 "$server_pid" 2>/dev/null || break
  sleep 0.05
done
line="$(head -n 1 "$status/ready" 2>/dev/null || true)"
if [ "$line" != ready ]; then
  echo "play: the server could not start${line:+: $line}" >&2
  exit 1
fi
"$bin/client"
