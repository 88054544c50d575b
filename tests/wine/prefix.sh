#!/usr/bin/env bash
# Throwaway Wine prefixes for the test run, 32-bit (win32, the default) or
# 64-bit (win64). Never touches ~/.wine: every command names the prefix
# directory it works on. A copy keeps its pristine's architecture, and every
# command on an existing prefix runs under the architecture it was made with.
#
#   prefix.sh pristine DIR [ARCH]        make a pristine prefix once (wineboot -i)
#   prefix.sh fresh PRISTINE DIR         replace DIR with a copy of PRISTINE
#   prefix.sh start DIR                  start a persistent wineserver for DIR
#   prefix.sh stop DIR                   end every process of DIR's wineserver
#   prefix.sh setup PRISTINE DIR [ARCH]  pristine + fresh + start, for a test fixture
#   prefix.sh untouched PRISTINE         fail when a file of PRISTINE changed since
#                                        it was made (through a copy's hard link)
set -euo pipefail

source "$(dirname "$0")/env.sh"

cmd=${1:?command}
shift

make_pristine() {
  local dir=$1 arch=${2:-$WINEARCH}
  if [ -f "$dir/.pristine" ]; then
    [ "$(wine_prefix_arch "$dir")" = "$arch" ] && return 0
    echo "prefix.sh: $dir is a $(wine_prefix_arch "$dir") prefix, not $arch" >&2
    return 1
  fi
  local lock="$dir.lock"
  mkdir -p "$(dirname "$dir")"
  exec 9>"$lock"
  flock 9
  if [ ! -f "$dir/.pristine" ]; then
    rm -rf "$dir"
    (
      use_wine_prefix "$dir" "$arch"
      wineboot -i </dev/null >/dev/null 2>&1
      # Xvfb runs no window manager: unmanaged windows spare every hidden
      # window Wine's two-second wait for one.
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
      wineserver -w
    )
    if [ "$(wine_prefix_arch "$dir")" != "$arch" ]; then
      echo "prefix.sh: Wine made no $arch prefix in $dir (for win64: is wine64 installed?)" >&2
      return 1
    fi
    touch "$dir/.pristine"
  fi
  flock -u 9
}

# A copy shares Wine's own program images with its source as hard links: its
# DLLs, programs and tables in system32, syswow64 and winsxs, which nothing
# ever writes to. Every other file is a copy of its own, the Drivers folders
# whole (an installation writes there, and may overwrite a file in place).
# A 64-bit prefix is 1.3 GB, nearly all of it such images: a copy takes a
# fraction of a second instead of many, and the copies of a sweep share the
# page cache.
make_fresh() {
  local pristine=$1 dir=$2
  stop_server "$dir"
  rm -rf "$dir"
  mkdir -p "$(dirname "$dir")"
  cp -al "$pristine" "$dir"
  local dir_path
  dir_path=$(cd "$dir" && pwd)
  (
    cd "$pristine"
    find . -type f ! \( \( -path ./drive_c/windows/system32/\* -o -path ./drive_c/windows/syswow64/\* \
      -o -path ./drive_c/windows/winsxs/\* \) ! -ipath ./drive_c/windows/\*/drivers/\* \
      \( -iname '*.dll' -o -iname '*.exe' -o -iname '*.drv' -o -iname '*.sys' -o -iname '*.nls' -o -iname '*.ocx' \
      -o -iname '*.cpl' -o -iname '*.acm' -o -iname '*.ax' -o -iname '*.tlb' \) \) -print0 |
      xargs -0 -r cp -p --parents --remove-destination -t "$dir_path"
  )
  rm -f "$dir/.pristine"
  add_font_replacements "$dir"
}

# The dialog fonts of Japanese and Chinese Windows are not free; the test
# bed's free fonts of those scripts (Debian's fonts-ipafont-gothic and
# fonts-wqy-microhei) stand in for them under their names, so that pages
# in those languages are measured with real glyphs. Wine's Tahoma, Arabic
# Windows' dialog font, has no Arabic letters: DejaVu Sans lends them, as
# the first font linked to it. Written before the prefix's server starts,
# as a fresh copy's registry is.
add_font_replacements() {
  {
    printf '\n[Software\\\\Wine\\\\Fonts\\\\Replacements] 1700000000\n'
    printf '%s\n' '"MS UI Gothic"="IPAGothic"' '"Meiryo UI"="IPAPGothic"' \
      '"Microsoft YaHei UI"="WenQuanYi Micro Hei"' '"SimSun"="WenQuanYi Micro Hei"'
  } >>"$1/user.reg"
  local tahoma
  tahoma=$(grep -m1 '^"Tahoma"=str(7):"' "$1/system.reg" | sed 's/^"Tahoma"=str(7):"//') || true
  {
    printf '\n[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\FontLink\\\\SystemLink] 1700000000\n'
    printf '"Tahoma"=str(7):"DejaVuSans.ttf,DejaVu Sans\\0%s\n' "${tahoma:-\"}"
  } >>"$1/system.reg"
}

start_server() {
  local dir=$1
  # The server must not inherit the caller's stdout: CTest would wait for it.
  WINEPREFIX="$dir" wineserver -p </dev/null >/dev/null 2>&1
  (use_wine_prefix "$dir" && wine cmd /c exit </dev/null >/dev/null 2>&1) || true
}

stop_server() {
  local dir=$1
  [ -d "$dir" ] || return 0
  WINEPREFIX="$dir" wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX="$dir" wineserver -w >/dev/null 2>&1 || true
}

# The copies share files with their pristine: a write into one of them
# would change every later copy. Nothing may have.
check_untouched() {
  local pristine=$1 changed
  [ -f "$pristine/.pristine" ] || return 0
  changed=$(find "$pristine" -newer "$pristine/.pristine" -type f ! -name .pristine)
  [ -z "$changed" ] && return 0
  echo "prefix.sh: files of the pristine prefix $pristine changed since it was made:" >&2
  echo "$changed" >&2
  return 1
}

case "$cmd" in
  pristine) make_pristine "$1" "${2:-}" ;;
  fresh)    make_fresh "$1" "$2" ;;
  start)    start_server "$1" ;;
  stop)     stop_server "$1" ;;
  setup)    make_pristine "$1" "${3:-}"; make_fresh "$1" "$2"; start_server "$2" ;;
  untouched) check_untouched "$1" ;;
  *) echo "prefix.sh: unknown command $cmd" >&2; exit 2 ;;
esac
