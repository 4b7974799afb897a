#!/usr/bin/env bash
# Runs the two engine examples against each other: the echo server on a free
# port, the line sender with a text that must come back unchanged.
# Usage: tests/install/examples_check.sh <folder with example_echo_server and example_send_line>
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: tests/install/examples_check.sh <bin-folder>" >&2
  exit 2
fi
bin=$1
log=$(mktemp)
server=
cleanup() {
  [ -z "$server" ] || kill "$server" 2>/dev/null || true
  rm -f "$log"
}
trap cleanup EXIT

# A port another program holds makes the server exit at once; try another.
for _ in 1 2 3 4 5; do
  port=$((20000 + RANDOM % 20000))
  "$bin/example_echo_server" --port "$port" >"$log" 2>&1 &
  server=$!
  for _ in $(seq 50); do
    grep -q '^echoing on port' "$log" && break
    kill -0 "$server" 2>/dev/null || break
    sleep 0.1
  done
  grep -q '^echoing on port' "$log" && break
  wait "$server" || true
  server=
done
[ -n "$server" ] || { cat "$log"; echo "examples check: the echo server did not start" >&2; exit 1; }

text="one line, with spaces"
answer=$("$bin/example_send_line" --port "$port" "$text")
if [ "$answer" != "$text" ]; then
  echo "examples check: sent '$text', got '$answer'" >&2
  exit 1
fi
"$bin/example_send_line" --bogus >/dev/null 2>&1 && { echo "examples check: a bad option was accepted" >&2; exit 1; }
echo "examples check: ok"
