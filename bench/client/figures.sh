#!/usr/bin/env bash
# Client figures that need the real programs in a virtual X display:
#   the cost of showing a frame in a real window (client_frame_bench),
#   start-up to the first frame (client_startup_bench, 5 runs, each against a
#   fresh server), and
#   reports per second while D is held (the relays a listening bot receives
#   while the player walks freely on the shipped map).
# Usage: bench/client/figures.sh [build folder]   (default: build/release)
set -euo pipefail
usage="usage: bench/client/figures.sh [build folder]   (default: build/release)"
case "${1:-}" in
  --help) echo "$usage"; exit 0 ;;
  -*) echo "$usage" >&2; exit 2 ;;
esac
[ $# -le 1 ] || { echo "$usage" >&2; exit 2; }
root="$(cd "$(dirname "$0")/../.." && pwd)"
bin="$(cd "${1:-$root/build/release}" && pwd)/bin"
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "figures: $tool is not installed" >&2; exit 1; }
done
work="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
cd "$root/assets"

source "$root/scripts/virtual_display.sh"
source "$root/scripts/game_port.sh"
start_virtual_display "$work" 640x480 || exit 1
pids+=("$XVFB_PID")

start_server() {
  for _ in $(seq 200); do listening || break; sleep 0.05; done
  "$bin/server" </dev/null >"$work/server.log" 2>&1 &
  server_pid=$!
  pids+=("$server_pid")
  for _ in $(seq 200); do
    kill -0 "$server_pid" 2>/dev/null || break
    listening && return
    sleep 0.05
  done
  echo "figures: the server does not listen" >&2
  exit 1
}
stop_server() {
  kill "$server_pid" 2>/dev/null || true
  wait "$server_pid" 2>/dev/null || true
  for _ in $(seq 200); do listening || return 0; sleep 0.05; done
}

echo "showing a frame in the window (UnlockScreen):"
"$bin/client_frame_bench" --benchmark_filter=Present 2>/dev/null | grep -E "median"

echo "start-up to the first frame:"
for _ in 1 2 3 4 5; do
  start_server
  "$bin/client_startup_bench" "$root/assets"
  stop_server
done

start_server
mkfifo "$work/bot.fifo"
"$bin/bot" --players 1 >"$work/bot.fifo" &
pids+=($!)
while IFS= read -r line; do echo "$EPOCHREALTIME $line"; done <"$work/bot.fifo" >"$work/bot.log" &
pids+=($!)
"$bin/client" >/dev/null &
client_pid=$!
pids+=("$client_pid")
for _ in $(seq 200); do
  [ "$(grep -c 'Player accepted' "$work/server.log")" -ge 2 ] && break
  sleep 0.05
done
xdotool search --sync --pid "$client_pid" windowfocus >/dev/null 2>&1 || true
xdotool keydown d
sleep 2
xdotool keyup d
xdotool key Escape
wait "$client_pid" || true
# Relays of the free walk: x grows by one with each report.
awk '/relay/ { for (i = 1; i <= NF; i++) if ($i ~ /^x=/) x = substr($i, 3);
       if (n > 0 && x != last + 1) exit;
       if (n == 0) first = $1; t = $1; last = x; n++ }
     END { if (n > 1) printf "reports per second while D is held: %.1f (%d steps in %.3f s)\n",
                          (n - 1) / (t - first), n - 1, t - first }' "$work/bot.log"
