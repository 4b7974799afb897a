#!/usr/bin/env bash
# Lines per second on the LAN server's console while four bot players walk
# at 60 Hz, without and with --verbose, side by side; in a network namespace
# of its own with only its loopback (root), so the game's port is free
# whatever else runs.
# Usage: bench/server/console_figures.sh [build folder] [seconds]   (default: build/release 10)
set -euo pipefail
usage="usage: bench/server/console_figures.sh [build folder] [seconds]   (default: build/release 10)"
[ "${1:-}" = --help ] && { echo "$usage"; exit 0; }
[[ "${1:-}" == -* ]] && { echo "$usage" >&2; exit 2; }
root="$(cd "$(dirname "$0")/../.." && pwd)"
bin="$(cd "${1:-$root/build/release}" && pwd)/bin"
seconds="${2:-10}"

if [ -z "${CONSOLE_INSIDE:-}" ]; then
  exec unshare -n env CONSOLE_INSIDE=1 bash -c 'ip link set lo up && exec "$0" "$@"' "$0" "$@"
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$root/assets"

# Lines per second the server printed while the walk lasted.
lines_per_second() {
  "$bin/server" --lan "$@" </dev/null >"$work/console" &
  local server=$!
  sleep 1
  "$bin/bot" --lan --host 127.0.0.1 --players 4 --reports $((seconds * 60)) --rate 60 \
    --quiet >/dev/null
  kill "$server"
  wait "$server" 2>/dev/null || true
  awk -v s="$seconds" 'END { printf "%.1f", NR / s }' "$work/console"
}

quiet="$(lines_per_second)"
verbose="$(lines_per_second --verbose)"
echo "server --lan console, 4 players walking at 60 Hz for ${seconds} s: ${quiet} lines/s;" \
  "with --verbose: ${verbose} lines/s"
