#!/usr/bin/env bash
# LAN client figures when the host goes away, on two network namespaces the
# script makes (root, ip, Xvfb): the server on one, a LAN client and a LAN bot
# on the other.
#   1. the server's machine unreachable (its link down, no FIN, no reset) for
#      UNREACHABLE seconds: the client's longest frame meanwhile, as it says
#      when it is back in ("longest frame meanwhile: N ms");
#   2. the server ended and started again: the time from the new server's
#      ready file to the client and the bot both being back in.
# Usage: bench/client/lost_figures.sh [build folder]   (default: build/release)
set -euo pipefail
usage="usage: bench/client/lost_figures.sh [build folder]   (default: build/release)"
case "${1:-}" in
  --help) echo "$usage"; exit 0 ;;
  -*) echo "$usage" >&2; exit 2 ;;
esac
root="$(cd "$(dirname "$0")/../.." && pwd)"
bin="$(cd "${1:-$root/build/release}" && pwd)/bin"
UNREACHABLE=8
a="lostA$$"; b="lostB$$"; work="$(mktemp -d)"; pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  host_pair_down "$a" "$b"
  rm -rf "$work"
}
source "$root/bench/client/host_pair.sh"
trap cleanup EXIT
host_pair_up "$a" "$b" 10.77.0
Xvfb :77 -screen 0 640x480x24 >/dev/null 2>&1 & pids+=($!)
sleep 1
cd "$root/assets"
start_server() {
  rm -f "$work/ready"
  ip netns exec "$a" "$bin/server" --lan --ready-file "$work/ready" >"$work/server.out" 2>&1 </dev/null & server=$!
  pids+=($server)
  while [ ! -e "$work/ready" ]; do sleep 0.01; done
}
start_server
DISPLAY=:77 ip netns exec "$b" "$bin/client" --lan --host 10.77.0.1 >"$work/client.out" 2>&1 & pids+=($!)
ip netns exec "$b" "$bin/bot" --lan --host 10.77.0.1 --reports 1 --duration 120 >"$work/bot.out" 2>&1 & pids+=($!)
sleep 2
ip -n "$a" link set "${a}v" down
sleep "$UNREACHABLE"
ip -n "$a" link set "${a}v" up
until grep -q "Back in the game" "$work/client.out"; do sleep 0.05; done
echo "unreachable ${UNREACHABLE} s: $(grep 'Back in' "$work/client.out" | tail -1)"
kill "$server"; wait "$server" 2>/dev/null || true
sleep 1.5
backs=$(grep -c "Back in" "$work/client.out")
botbacks=$(grep -c "back in" "$work/bot.out")
start_server
ready=$(date +%s.%N)
until [ "$(grep -c 'Back in' "$work/client.out")" -gt "$backs" ] &&
      [ "$(grep -c 'back in' "$work/bot.out")" -gt "$botbacks" ]; do sleep 0.01; done
echo "ready file to every joiner back in: $(echo "$(date +%s.%N) - $ready" | bc) s"
echo "restart: $(grep 'Back in' "$work/client.out" | tail -1)"
