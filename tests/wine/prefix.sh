#!/usr/bin/env bash
# Throwaway 32-bit Wine prefixes for the test run. Never touches ~/.wine:
# every command names the prefix directory it works on.
#
#   prefix.sh pristine DIR        make a pristine prefix once (wineboot -i)
#   prefix.sh fresh PRISTINE DIR  replace DIR with a copy of PRISTINE
#   prefix.sh start DIR           start a persistent wineserver for DIR
#   prefix.sh stop DIR            end every process of DIR's wineserver
#   prefix.sh setup PRISTINE DIR  pristine + fresh + start, for a test fixture
set -euo pipefail

source "$(dirname "$0")/env.sh"

cmd=${1:?command}
shift

make_pristine() {
  local dir=$1
  [ -f "$dir/.pristine" ] && return 0
  local lock="$dir.lock"
  mkdir -p "$(dirname "$dir")"
  exec 9>"$lock"
  flock 9
  if [ ! -f "$dir/.pristine" ]; then
    rm -rf "$dir"
    WINEPREFIX="$dir" wineboot -i </dev/null >/dev/null 2>&1
    # Xvfb runs no window manager: unmanaged windows spare every hidden
    # window Wine's two-second wait for one.
    WINEPREFIX="$dir" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
    WINEPREFIX="$dir" wineserver -w
    touch "$dir/.pristine"
  fi
  flock -u 9
}

make_fresh() {
  local pristine=$1 dir=$2
  stop_server "$dir"
  rm -rf "$dir"
  mkdir -p "$(dirname "$dir")"
  cp -a "$pristine" "$dir"
  rm -f "$dir/.pristine"
}

start_server() {
  local dir=$1
  # The server must not inherit the caller's stdout: CTest would wait for it.
  WINEPREFIX="$dir" wineserver -p </dev/null >/dev/null 2>&1
  WINEPREFIX="$dir" wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

stop_server() {
  local dir=$1
  [ -d "$dir" ] || return 0
  WINEPREFIX="$dir" wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX="$dir" wineserver -w >/dev/null 2>&1 || true
}

case "$cmd" in
  pristine) make_pristine "$1" ;;
  fresh)    make_fresh "$1" "$2" ;;
  start)    start_server "$1" ;;
  stop)     stop_server "$1" ;;
  setup)    make_pristine "$1"; make_fresh "$1" "$2"; start_server "$2" ;;
  *) echo "prefix.sh: unknown command $cmd" >&2; exit 2 ;;
esac
