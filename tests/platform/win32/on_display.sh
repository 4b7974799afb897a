#!/bin/sh
# Runs a Windows program under Wine on a virtual X display of its own, in a
# Wine prefix of its own: a prefix's server keeps the display it started
# with, so one shared with the display-less tests would show no window.
# Usage: on_display.sh <wine-prefix> <program> [arguments...]
set -u
PREFIX=$1
shift
WORK=$(mktemp -d)
. "$(dirname "$0")/../../../scripts/virtual_display.sh"
if ! start_virtual_display "$WORK" 1024x768; then
  rm -rf "$WORK"
  exit 1
fi
WINEPREFIX=$PREFIX
WINEDEBUG=-all
WINEARCH=win64
export WINEPREFIX WINEDEBUG WINEARCH
wine "$@"
rc=$?
wineserver -k 2>/dev/null
kill $XVFB_PID
wait $XVFB_PID 2>/dev/null
rm -rf "$WORK"
exit $rc
