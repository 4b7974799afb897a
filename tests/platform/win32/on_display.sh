#!/bin/sh
# Runs a Windows program under Wine on a virtual X display of its own, in a
# Wine prefix of its own: a prefix's server keeps the display it started
# with, so one shared with the display-less tests would show no window.
# Usage: on_display.sh <wine-prefix> <program> [arguments...]
set -u
PREFIX=$1
shift
WORK=$(mktemp -d)
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp -noreset 5>"$WORK/display" 2>/dev/null &
XVFB=$!
i=0
while [ ! -s "$WORK/display" ]; do
  i=$((i + 1))
  if [ $i -gt 100 ] || ! kill -0 $XVFB 2>/dev/null; then
    echo "Xvfb did not start"
    rm -rf "$WORK"
    exit 1
  fi
  sleep 0.1
done
DISPLAY=:$(cat "$WORK/display")
WINEPREFIX=$PREFIX
WINEDEBUG=-all
WINEARCH=win64
export DISPLAY WINEPREFIX WINEDEBUG WINEARCH
wine "$@"
rc=$?
wineserver -k 2>/dev/null
kill $XVFB
wait $XVFB 2>/dev/null
rm -rf "$WORK"
exit $rc
