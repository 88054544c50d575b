#!/usr/bin/env bash
# Sourced: starts a private Xvfb, exports DISPLAY and VELMORA_XVFB_PID.
# stop_xvfb ends it. GUI tests under Wine need a display; so do Wine's
# shell-link and desktop helpers.
start_xvfb() {
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" </dev/null >/dev/null 2>&1 &
  VELMORA_XVFB_PID=$!
  local display
  read -r display <"$fifo"
  rm -f "$fifo"
  export DISPLAY=":$display" VELMORA_XVFB_PID
}
stop_xvfb() {
  if [ -n "${VELMORA_XVFB_PID:-}" ]; then
    kill "$VELMORA_XVFB_PID" 2>/dev/null || true
    wait "$VELMORA_XVFB_PID" 2>/dev/null || true
    unset VELMORA_XVFB_PID
  fi
}
