#!/usr/bin/env bash
# Starts the game from built programs, in the game folder where they find
# map/Map and imgs/. Without an option: the server (its lines in this
# terminal) and, once it listens with its map, one client window. With --lan
# the same as a LAN game: `server --lan` and a LAN client that connects to it
# on this machine by address, so it needs no search. With --join: a LAN
# client only, which finds the game on the local network, or connects to HOST.
# A server that cannot start starts no client: its line is repeated and the
# script ends with 1. When the client ends, the server is stopped too and the
# script ends with the client's status; Ctrl+C, a closed terminal or a kill
# end both programs and the script with 128 plus the signal's number.
# Usage: scripts/start_game.sh <folder with server and client> <game folder> [--lan | --join [HOST]]
# scripts/play.sh reads its options with game_options from here.
set -euo pipefail

# The options both scripts take, for their usage texts.
game_options_help() {
  cat <<'EOF'
  (no option)    the server and one client window on this machine
  --lan          host a LAN game: a LAN server and a client window on this machine
  --join [HOST]  join a LAN game: a client window only, which finds the game on
                 the local network, or connects to HOST (a name or an IPv4 address)
  --name NAME    after --lan or --join: the name the other players see
EOF
}

# Sets game_mode (default, host or join), join_host and player_name from the
# options; fails on anything else.
game_options() {
  game_mode="default"
  join_host=
  player_name=()
  [ $# -eq 0 ] && return 0
  case "$1" in
    --lan)
      game_mode="host"
      shift
      ;;
    --join)
      game_mode="join"
      shift
      if [ $# -gt 0 ] && [[ "$1" != -* ]]; then
        [ -n "$1" ] || return 1
        join_host="$1"
        shift
      fi
      ;;
    *) return 1 ;;
  esac
  [ $# -eq 0 ] && return 0
  [ $# -eq 2 ] && [ "$1" = --name ] || return 1
  player_name=(--name "$2")
}

# What the script started and made, for the clean-up.
server_pid=
client_pid=
status_dir=

# Ends the programs the script started and removes its folder, whatever ends
# the script, and ends it with the status it was ending with. Without set -e:
# a program that has already gone makes kill and wait fail, which must cut
# neither the clean-up short nor the status. A second Ctrl+C waits for it.
clean_up() {
  local status=$?
  set +e
  trap - EXIT
  trap '' INT TERM HUP
  for pid in $client_pid $server_pid; do
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  [ -z "$status_dir" ] || rm -rf "$status_dir"
  exit "$status"
}

# Ctrl+C, a closed terminal or a kill: the clean-up, and 128 plus the
# signal's number, as a shell reports a program a signal ended.
trap_signals() {
  trap clean_up EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  trap 'exit 129' HUP
}

# Starts `server` with `arguments` in the background and waits until it has
# started; a server that could not start ends the script with its line.
start_server() {
  status_dir="$(mktemp -d)"
  "$bin/server" "$@" --ready-file "$status_dir/ready" </dev/null &
  server_pid=$!
  # The server writes the file once start-up has ended either way; one that
  # ends without it (killed, crashed) ends the wait too.
  for _ in $(seq 200); do
    [ -s "$status_dir/ready" ] && break
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.05
  done
  line="$(head -n 1 "$status_dir/ready" 2>/dev/null || true)"
  if [ "$line" != ready ]; then
    echo "play: the server could not start${line:+: $line}" >&2
    exit 1
  fi
}

# Runs the client to its end and ends the script with its status. In the
# background, so that a signal is acted on at once and not only once the
# client has ended.
run_client() {
  "$bin/client" "$@" &
  client_pid=$!
  wait "$client_pid"
}

start_game() {
  if [ $# -lt 2 ] || ! game_options "${@:3}"; then
    echo "usage: $0 <folder with server and client> <game folder> [--lan | --join [HOST]] [--name NAME]" >&2
    game_options_help >&2
    exit 2
  fi
  bin="$(cd "$1" && pwd)"
  cd "$2"
  case "$game_mode" in
    default)
      trap_signals
      start_server
      run_client
      ;;
    host)
      trap_signals
      start_server --lan
      run_client --lan --host 127.0.0.1 "${player_name[@]}"
      ;;
    join) exec "$bin/client" --lan ${join_host:+--host "$join_host"} "${player_name[@]}" ;;
  esac
}

# Read by scripts/play.sh for its options; run, it starts the game.
if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  start_game "$@"
fi
