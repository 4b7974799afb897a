#!/bin/sh
# Checks the Windows console services in a real Wine console: keys typed on a
# pseudo-terminal (Wine's console reads it), Ctrl+C and Ctrl+Break raised as
# console events (Wine turns no POSIX signal into one, and raises no
# Ctrl+Break: that one shares the handler's path with Ctrl+C), lines from many
# threads, and a reader that stops reading.
# Usage: console_check.sh <wine-run> <console_helper.exe> <case>
set -u
WINE_RUN=$1
HELPER=$2
CASE=$3
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

fail() {
  echo "FAIL: $*"
  if [ -f "$WORK/out" ]; then
    echo "--- output:"
    cat -v "$WORK/out"
  fi
  exit 1
}

# Waits up to 60 s (the first Wine start in a prefix is slow) for the text.
wait_for() {
  i=0
  while ! grep -q "$1" "$WORK/out" 2>/dev/null; do
    i=$((i + 1))
    [ $i -gt 600 ] && return 1
    sleep 0.1
  done
}

# Starts the helper in a mode on a pseudo-terminal whose keyboard is fd 3.
terminal_start() {
  mkfifo "$WORK/in"
  script -qefc "$WINE_RUN $HELPER $1" "$WORK/out" <"$WORK/in" >/dev/null 2>&1 &
  pid=$!
  exec 3>"$WORK/in"
}

# Closes the keyboard and leaves the helper's exit code in $rc.
terminal_finish() {
  exec 3>&-
  wait $pid
  rc=$?
}

expect_code() {
  [ "$rc" = "$1" ] || fail "exit code $rc, expected $1"
}

case $CASE in
  keys)
    terminal_start keys
    wait_for READY || fail "never ready"
    printf 'a' >&3
    wait_for "KEY A" || fail "A never read as down"
    printf '\033' >&3
    wait_for "KEY ESCAPE" || fail "Escape never read as down"
    terminal_finish
    expect_code 0
    ;;
  ctrl-c)
    terminal_start "$CASE"
    wait_for "KEY ESCAPE" || fail "$CASE did not count as Escape"
    terminal_finish
    expect_code 0
    ! grep -q "NO CONSOLE EVENT" "$WORK/out" || fail "no console to raise $CASE in"
    ;;
  waitkey)
    terminal_start waitkey
    wait_for WAITING || fail "never waited"
    sleep 1
    grep -q "GOT KEY" "$WORK/out" && fail "the wait ended without a key"
    printf 'a' >&3
    wait_for "GOT KEY" || fail "the wait never ended"
    terminal_finish
    expect_code 0
    grep -q "A STILL THERE" "$WORK/out" || fail "waiting took the key out of the input"
    ;;
  nokeys)
    for input in /dev/null pipe; do
      if [ $input = pipe ]; then
        # A pipe nobody writes into but that stays open.
        mkfifo "$WORK/keys"
        exec 5<>"$WORK/keys"
        "$WINE_RUN" "$HELPER" nokeys <"$WORK/keys" >"$WORK/out"
        exec 5>&-
      else
        "$WINE_RUN" "$HELPER" nokeys <$input >"$WORK/out"
      fi
      grep -q "^down=0 waited_ms=[0-9]\{1,3\}$" "$WORK/out" ||
        fail "stdin $input: a key was down or the wait took a second or more"
    done
    ;;
  print)
    "$WINE_RUN" "$HELPER" print </dev/null >"$WORK/out"
    rc=$?
    expect_code 0
    # Every line whole, and each thread's lines complete and in order.
    awk '{
      t = $2 + 0
      body = ""; for (i = 0; i < 100; i++) body = body sprintf("%c", 97 + t);
      if ($0 != sprintf("line %d %d %s end", t, next_n[t], body)) { print "bad: " $0; bad = 1; exit 1 }
      next_n[t]++; n++
    } END { if (bad || n != 2400) { print "lines: " n; exit 1 } }' "$WORK/out" ||
      fail "lines torn, lost or out of order"
    ;;
  stalled)
    # A reader that holds the pipe open and never reads.
    mkfifo "$WORK/pipe"
    exec 4<>"$WORK/pipe"
    "$WINE_RUN" "$HELPER" print </dev/null >"$WORK/pipe" &
    pid=$!
    i=0
    while kill -0 $pid 2>/dev/null; do
      i=$((i + 1))
      if [ $i -gt 300 ]; then
        kill $pid
        fail "printing blocked on a stalled reader"
      fi
      sleep 0.1
    done
    wait $pid
    rc=$?
    expect_code 0
    ;;
  *)
    fail "unknown case $CASE"
    ;;
esac
echo "PASS: $CASE"
