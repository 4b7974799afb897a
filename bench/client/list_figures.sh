#!/usr/bin/env bash
# The LAN game list's figures, on two network namespaces the script makes
# (root, ip, Xvfb, python3), a LAN server named "Ana's game" on one and
# "Bo's game" on the other, a LAN client without --host on the second:
#   1. two games: the client's start to its list of both (printed as drawn);
#   2. one game: the client's start to the server's "[New connection]";
#   3. one address asking 1000 times a second while the other host's bots
#      search: how many of those searches find the game.
# Usage: bench/client/list_figures.sh [build folder] [runs]   (default: build/release 10)
set -euo pipefail
usage="usage: bench/client/list_figures.sh [build folder] [runs]   (default: build/release 10)"
case "${1:-}" in
  --help) echo "$usage"; exit 0 ;;
  -*) echo "$usage" >&2; exit 2 ;;
esac
root="$(cd "$(dirname "$0")/../.." && pwd)"
bin="$(cd "${1:-$root/build/release}" && pwd)/bin"
runs=${2:-10}
[[ "$runs" =~ ^[1-9][0-9]*$ ]] || { echo "$usage" >&2; exit 2; }
a="listA$$"; b="listB$$"; work="$(mktemp -d)"; pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  host_pair_down "$a" "$b"
  rm -rf "$work"
}
source "$root/bench/client/host_pair.sh"
trap cleanup EXIT
host_pair_up "$a" "$b" 10.78.0
source "$root/scripts/virtual_display.sh"
start_virtual_display "$work" 640x480 || exit 1
pids+=("$XVFB_PID")
cd "$root/assets"

# start_server <host> <name>: sets server; waits for its ready file.
start_server() {
  rm -f "$work/ready"
  ip netns exec "$1" "$bin/server" --lan --name "$2" --ready-file "$work/ready" \
    >"$work/server-$1.out" 2>&1 </dev/null & server=$!
  pids+=("$server")
  while [ ! -s "$work/ready" ]; do sleep 0.01; done
}
now_ms() { echo $(($(date +%s%N) / 1000000)); }
# until_seen <file> <text>: waits (5 s at most) for the text in the file.
until_seen() {
  for _ in $(seq 500); do grep -qF "$2" "$1" 2>/dev/null && return 0; sleep 0.01; done
  return 1
}
# time_client <file> <text>: ms from the client's start to the text in <file>.
time_client() {
  local start; start=$(now_ms)
  ip netns exec "$b" "$bin/client" --lan >"$work/client.out" 2>&1 </dev/null & local client=$!
  until_seen "$1" "$2" || { echo "list figures: '$2' never came" >&2; cat "$work/client.out" >&2; }
  echo $(($(now_ms) - start))
  kill "$client"; wait "$client" 2>/dev/null || true
  sleep 1.2  # the server frees the seat, and a second of answers passes
}
summary() {
  printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 }
    END { printf "median %d ms, max %d ms", v[int((NR + 1) / 2)], v[NR] }'
}

start_server "$a" "Ana's game"; server_a=$server
start_server "$b" "Bo's game"
times=()
for _ in $(seq "$runs"); do times+=("$(time_client "$work/client.out" "Bo's game")"); done
echo "two games, start to the list of both, $runs runs: $(summary "${times[@]}")"

kill "$server"; wait "$server" 2>/dev/null || true
times=()
for _ in $(seq "$runs"); do
  : >"$work/server-$a.out"
  times+=("$(time_client "$work/server-$a.out" "[New connection]")")
done
echo "one game, start to joined, $runs runs: $(summary "${times[@]}")"

# 1000 version-1 requests a second from the server's own host address.
ip netns exec "$a" python3 -c '
import socket, time
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("10.78.0.1", 0))
request = b"TG?\x01" + s.getsockname()[1].to_bytes(2, "little") + b"\0\0"
while True:
    for _ in range(10): s.sendto(request, ("10.78.0.1", 33222))
    time.sleep(0.01)
' & pids+=($!)
sleep 1
found=0
for _ in $(seq "$runs"); do
  ip netns exec "$b" "$bin/bot" --lan --reports 1 >/dev/null 2>&1 && found=$((found + 1))
  sleep 0.3
done
echo "one address asking 1000 times a second: $found of $runs searches from the other host found the game"
