#!/usr/bin/env bash
# Remakes the README's picture from the real programs: builds them into
# build/play/, starts a virtual display of the window's size, the server and
# one client from assets/ (the shipped map and sprites), waits until the server
# has admitted the client and a few frames are drawn, and writes the screen as
# a 640 x 480 PNG. With --lan, the LAN game instead: a LAN server, a client
# named "Ana" and two walking bots named "Ben" and "Cleo", each framed and
# named in its seat's colour.
# Usage: scripts/screenshot.sh [--lan] [out.png]
#        (default: docs/screenshot.png, with --lan docs/screenshot-lan.png)
# Needs port 33222 free: no server may be running.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
lan=false
if [[ "${1:-}" == "--lan" ]]; then
  lan=true
  shift
fi
default_out="$root/docs/screenshot.png"
$lan && default_out="$root/docs/screenshot-lan.png"
out="$(realpath -m "${1:-$default_out}")"
cd "$root"

scripts/install-deps.sh screenshot
cmake --preset play >/dev/null
cmake --build --preset play --target server client bot
bin="$root/build/play/bin"

source "$root/scripts/game_port.sh"
if listening; then
  echo "screenshot: port 33222 is already in use (is a server running?)." >&2
  exit 1
fi

work="$(mktemp -d)"
pids=()
# Last started, first stopped: the client must end before its display does.
stop_all() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap stop_all EXIT

# Waits up to about 10 s for a command to succeed.
wait_for() {
  local _
  for _ in $(seq 200); do
    "$@" && return 0
    sleep 0.05
  done
  return 1
}

# The screen is exactly the window's size: the picture is the window.
source "$root/scripts/virtual_display.sh"
start_virtual_display "$work" 640x480 || exit 1
pids+=("$XVFB_PID")

# Both programs read map/Map and imgs/... from their working directory.
cd "$root/assets"
server_options=()
client_options=()
if $lan; then
  server_options=(--lan)
  client_options=(--lan --host 127.0.0.1 --name Ana)
fi
"$bin/server" "${server_options[@]}" </dev/null >"$work/server.log" 2>&1 &
pids+=($!)
if ! wait_for listening; then
  echo "screenshot: the server is not listening:" >&2
  cat "$work/server.log" >&2
  exit 1
fi
"$bin/client" "${client_options[@]}" </dev/null >"$work/client.log" 2>&1 &
pids+=($!)
if ! wait_for grep -q '^\[Player accepted\]' "$work/server.log"; then
  echo "screenshot: the server did not admit the client:" >&2
  cat "$work/server.log" "$work/client.log" >&2
  exit 1
fi
if $lan; then
  # Both walk the same way from the start, by the map's walls, 60 steps a
  # second, and stop after their steps: Cleo the farther.
  "$bin/bot" --lan --host 127.0.0.1 --map map/Map --name Ben --reports 90 --duration 30 \
    </dev/null >"$work/bot1.log" 2>&1 &
  pids+=($!)
  "$bin/bot" --lan --host 127.0.0.1 --map map/Map --name Cleo --reports 260 --duration 30 \
    </dev/null >"$work/bot2.log" 2>&1 &
  pids+=($!)
  sleep 6
fi
sleep 1  # about sixty frames

mkdir -p "$(dirname "$out")"
xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng >"$out"
echo "screenshot: wrote $out"
