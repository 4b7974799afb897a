#!/usr/bin/env bash
# Runs the engine examples: the echo server on a free port and the line
# sender with a text that must come back unchanged; then two datagram echoes,
# the first answering a datagram to the second, which prints it, and printing
# a hostile one harmlessly; Ctrl+C's signal then stops both cleanly.
# Usage: tests/install/examples_check.sh <folder with the example_* programs>
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: tests/install/examples_check.sh <bin-folder>" >&2
  exit 2
fi
bin=$1
log=$(mktemp)
server=
echoes=()
echo_logs=()
cleanup() {
  [ -z "$server" ] || kill "$server" 2>/dev/null || true
  for pid in "${echoes[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -f "$log" "${echo_logs[@]}"
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

fail() {
  echo "examples check: $*" >&2
  exit 1
}
# Waits up to 5 s for a line matching $2 in file $1.
await_line() {
  for _ in $(seq 50); do
    grep -qE "$2" "$1" && return 0
    sleep 0.1
  done
  return 1
}
# Starts a datagram echo on a port the system picks; sets echo_port.
start_echo() {
  local echo_log
  echo_log=$(mktemp)
  echo_logs+=("$echo_log")
  "$bin/example_datagram_echo" --port 0 >"$echo_log" 2>&1 &
  echoes+=($!)
  await_line "$echo_log" '^echoing datagrams on port [1-9]' || { cat "$echo_log"; fail "the datagram echo did not start"; }
  echo_port=$(sed -n 's/^echoing datagrams on port //p' "$echo_log")
}
start_echo
first_port=$echo_port
start_echo
second_port=$echo_port
# The first answers to the second's port; the second has no port to answer to.
printf '%s' "$second_port $text" >"/dev/udp/127.0.0.1/$first_port"
await_line "${echo_logs[1]}" "^from 127\\.0\\.0\\.1: \"$text\" \\(no reply port" ||
  { cat "${echo_logs[@]}"; fail "the datagram echo's answer did not arrive"; }
grep -qF "answered to port $second_port" "${echo_logs[0]}" || fail "the echo did not report its answer"
# A port out of range is no reply port; an escape byte reaches no terminal.
printf '99999 \033x' >"/dev/udp/127.0.0.1/$first_port"
await_line "${echo_logs[0]}" '^from 127\.0\.0\.1: "99999 \.x" \(no reply port' ||
  { cat "${echo_logs[0]}"; fail "the datagram echo did not refuse a bad reply port"; }
for i in 0 1; do
  kill -INT "${echoes[i]}"
  wait "${echoes[i]}" || { cat "${echo_logs[i]}"; fail "a datagram echo did not end cleanly on Ctrl+C"; }
  grep -qx stopped "${echo_logs[i]}" || fail "a datagram echo did not close its record"
done
"$bin/example_datagram_echo" --port 70000 >/dev/null 2>&1 && fail "a bad port was accepted"
echo "examples check: ok"
