#!/usr/bin/env bash
# Threads and descriptors of `server --lan` before and after CYCLES players
# join and leave (every other one says Hello and reports a position first),
# with one player seated throughout; in a network namespace of its own with
# only its loopback (root), so the game's port is free whatever else runs.
# Usage: bench/server/churn_figures.sh [build folder] [cycles]   (default: build/release 1000)
set -euo pipefail
usage="usage: bench/server/churn_figures.sh [build folder] [cycles]   (default: build/release 1000)"
[ "${1:-}" = --help ] && { echo "$usage"; exit 0; }
[[ "${1:-}" == -* ]] && { echo "$usage" >&2; exit 2; }
root="$(cd "$(dirname "$0")/../.." && pwd)"
bin="$(cd "${1:-$root/build/release}" && pwd)/bin"
cycles="${2:-1000}"

if [ -z "${CHURN_INSIDE:-}" ]; then
  exec unshare -n env CHURN_INSIDE=1 bash -c 'ip link set lo up && exec "$0" "$@"' "$0" "$@"
fi

counts() { echo "$(ls "/proc/$server/task" | wc -l) threads, $(ls "/proc/$server/fd" | wc -l) descriptors"; }

cd "$root/assets"
"$bin/server" --lan </dev/null >/dev/null &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null || true' EXIT
sleep 1
exec 3<>/dev/tcp/127.0.0.1/33222
head -c 3 <&3 >/dev/null
printf '\x04\x01' >&3
sleep 0.5
before="$(counts)"
for ((i = 0; i < cycles; i++)); do
  exec 4<>/dev/tcp/127.0.0.1/33222
  head -c 3 <&4 >/dev/null
  # Hello, then a report of (5, 6).
  ((i % 2 == 0)) && printf '\x04\x01\x01\x05\x00\x00\x00\x06\x00\x00\x00' >&4
  exec 4>&-
done
# The last departures are told and reaped.
sleep 4
echo "server --lan: $before before, $(counts) after $cycles join/leave cycles"
