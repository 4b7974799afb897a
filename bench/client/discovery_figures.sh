#!/usr/bin/env bash
# Start-up of a LAN client to its first frame, its search for the server
# running behind the first frames as in the client (client_startup_bench --lan), over many runs: on one machine, where
# the search finds the server through the loopback's broadcast address, and
# across a virtual link, as from a second machine. Both run in two network
# namespaces of the script's own joined by that link, so no datagram leaves
# them. Prints the median and p99 of each. Needs root and Xvfb.
# Usage: bench/client/discovery_figures.sh [build folder] [runs]   (default: build/release 50)
set -euo pipefail
usage="usage: bench/client/discovery_figures.sh [build folder] [runs]   (default: build/release 50)"
case "${1:-}" in
  --help) echo "$usage"; exit 0 ;;
  -*) echo "$usage" >&2; exit 2 ;;
esac
[ $# -le 2 ] || { echo "$usage" >&2; exit 2; }
root="$(cd "$(dirname "$0")/../.." && pwd)"
bin="$(cd "${1:-$root/build/release}" && pwd)/bin"
runs=${2:-50}
[[ "$runs" =~ ^[1-9][0-9]*$ ]] || { echo "$usage" >&2; exit 2; }
for tool in Xvfb ip; do
  command -v "$tool" >/dev/null || { echo "discovery figures: $tool is not installed" >&2; exit 1; }
done

work="$(mktemp -d)"
server_host="tgbench-a-$$"
player_host="tgbench-b-$$"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  ip netns delete "$server_host" 2>/dev/null || true
  ip netns delete "$player_host" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Two hosts joined by a virtual link, loopback up in each, no route out.
ip netns add "$server_host"
ip netns add "$player_host"
ip link add "tgb$$a" netns "$server_host" type veth peer name "tgb$$b" netns "$player_host"
for host in a b; do
  name=$server_host address=10.232.0.1/24
  [ $host = b ] && name=$player_host address=10.232.0.2/24
  ip -n "$name" link set lo up
  ip -n "$name" address add "$address" dev "tgb$$$host"
  ip -n "$name" link set "tgb$$$host" up
done

source "$root/scripts/virtual_display.sh"
start_virtual_display "$work" 640x480 || exit 1
pids+=("$XVFB_PID")

# Starts `server --lan` in host $1 and waits until it is ready.
start_server() {
  rm -f "$work/ready"
  (cd "$root/assets" && exec ip netns exec "$1" "$bin/server" --lan --ready-file "$work/ready" \
    </dev/null >"$work/server.log" 2>&1) &
  server_pid=$!
  pids+=("$server_pid")
  for _ in $(seq 200); do [ -s "$work/ready" ] && break; sleep 0.05; done
  [ "$(cat "$work/ready" 2>/dev/null)" = ready ] || {
    echo "discovery figures: the server did not start: $(cat "$work/ready" 2>/dev/null)" >&2
    exit 1
  }
}
stop_server() {
  kill "$server_pid" 2>/dev/null || true
  wait "$server_pid" 2>/dev/null || true
}

# Runs the start-up $runs times in the players' host and prints the median and
# p99 of the whole start-up and of the search alone.
measure() {
  local label=$1 totals=() searches=() line
  for _ in $(seq "$runs"); do
    line=$(ip netns exec "$player_host" "$bin/client_startup_bench" --lan "$root/assets")
    totals+=("$(sed -E 's/.*total ([0-9.]+) ms.*/\1/' <<<"$line")")
    searches+=("$(sed -E 's/.*search ([0-9.]+) ms.*/\1/' <<<"$line")")
    # The server frees the seat once it has seen the run's connection end.
    # Runs closer together than this would meet the server's answer limit
    # (20 a second; a search here asks up to three times per round), and a
    # search whose first round went unanswered waits for its second.
    sleep 0.2
  done
  printf '%s, %d runs: start to first frame %s; the first frame's wait on the search %s\n' "$label" "$runs" \
    "$(percentiles "${totals[@]}")" "$(percentiles "${searches[@]}")"
}
percentiles() {
  printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 }
    END { m = int((NR + 1) / 2); p = int(NR * 0.99 + 0.999); if (p > NR) p = NR;
          printf "median %.1f ms, p99 %.1f ms, max %.1f ms", v[m], v[p], v[NR] }'
}

start_server "$player_host"
measure "one machine (loopback broadcast)"
stop_server
start_server "$server_host"
measure "across the virtual link"
stop_server
