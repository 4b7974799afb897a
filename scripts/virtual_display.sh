# Sourced by the scripts that show a window on no real screen.
# start_virtual_display <work folder> <width>x<height>: starts Xvfb on a free
# display, exports DISPLAY and sets XVFB_PID; says why and fails if it cannot.
# -displayfd: Xvfb picks the display itself and writes its number once it
# accepts clients. -noreset: by default it resets whenever its last client
# leaves and drops any client that connects meanwhile, so a screenshot ending
# just as the game opens its window would leave the game without a display.
start_virtual_display() {
  Xvfb -displayfd 3 -screen 0 "$2x24" -nolisten tcp -noreset 3>"$1/display" 2>"$1/xvfb.log" &
  XVFB_PID=$!
  xvfb_tries=0
  while [ ! -s "$1/display" ]; do
    xvfb_tries=$((xvfb_tries + 1))
    if [ $xvfb_tries -gt 100 ] || ! kill -0 $XVFB_PID 2>/dev/null; then
      echo "the virtual display did not start:" >&2
      cat "$1/xvfb.log" >&2
      return 1
    fi
    sleep 0.1
  done
  DISPLAY=":$(head -n 1 "$1/display")"
  export DISPLAY
}
