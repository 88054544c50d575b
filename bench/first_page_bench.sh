#!/usr/bin/env bash
# Time from starting the setup to its first page with Next enabled (the
# welcome page, after the package is verified and inflated), measured inside
# Wine by bench/win/first_page_timer.exe. Figures, not a test.
#
#   bench/first_page_bench.sh [--rounds N] [--payload-mb M] [--before BARE_SETUP.exe] [--nsis]
#
# Packs the build's setup.exe with the nine demo files, plus, with
# --payload-mb, one extra file of M MB (base64 text of random bytes, which
# deflates to about three quarters, so that inflating and digesting it is
# real work: the engine's unpacking speed). With --before, the same package
# is appended to an earlier build's bare setup.exe too, and the two take
# turns in every round: the ratio says whether a change made the first page
# slower. With --nsis, an NSIS installer of the same files (zlib) takes its
# turns as well, and the ratios say how far behind or ahead of it the setup
# is; the machine's load (uptime) is printed at the end.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMORA_BUILD:-$root/build}
rounds=7
payload_mb=0
before=
nsis=0
while [ $# -gt 0 ]; do
  case $1 in
    --nsis) nsis=1; shift ;;
    --rounds) rounds=$2; shift 2 ;;
    --payload-mb) payload_mb=$2; shift 2 ;;
    --before) before=$(readlink -f "$2"); shift 2 ;;
    *) echo "usage: $0 [--rounds N] [--payload-mb M] [--before BARE_SETUP.exe] [--nsis]" >&2; exit 2 ;;
  esac
done

setuppack=$build/native/tools/setuppack/setuppack
bare=$build/win/app/setup.exe
timer=$build/win/bench/win/first_page_timer.exe
demo_files=$build/win/bench/win/demo_files.txt
for needed in "$setuppack" "$bare" "$timer" "$demo_files"; do
  [ -e "$needed" ] || { echo "$needed is missing: run ./tools/build.sh first" >&2; exit 1; }
done

source "$root/bench/wine_bench.sh"
bench_begin first_page

mapfile -t entries <"$demo_files"
if [ "$payload_mb" -gt 0 ]; then
  head -c $((payload_mb * 1024 * 1024 * 3 / 4)) /dev/urandom | base64 -w 76 >"$work/payload.txt"
  entries+=("$work/payload.txt")
fi
"$setuppack" build -o "$work/after.exe" --setup "$bare" "${entries[@]}" >/dev/null
setups=("$work/after.exe")
if [ -n "$before" ]; then
  "$setuppack" build -o "$work/before.exe" --setup "$before" "${entries[@]}" >/dev/null
  setups=("$work/before.exe" "$work/after.exe")
fi
if [ "$nsis" = 1 ]; then
  rm -rf "$work/nsis" && mkdir -p "$work/nsis"
  payload_name=
  if [ "$payload_mb" -gt 0 ]; then
    cp "$work/payload.txt" "$work/nsis/"
    payload_name=payload.txt
  fi
  bench_nsis "$build/win/demo/files" "$work/nsis" $payload_name
  setups+=("$work/nsis/velmora-nsis.exe")
fi

"$prefix_tool" pristine "$pristine"
"$prefix_tool" fresh "$pristine" "$prefix"
"$prefix_tool" start "$prefix"
winpath() { local p; p=$(readlink -f "$1"); echo "Z:${p//\//\\}"; }
arguments=(--rounds "$rounds")
for setup in "${setups[@]}"; do arguments+=("$(winpath "$setup")"); done
echo "package: ${#entries[@]} files, $(stat -c %s "${setups[0]}") bytes with the setup"
WINEPREFIX=$prefix wine "$(winpath "$timer")" "${arguments[@]}" </dev/null 2>&1 | tr -d '\r'
echo "load: $(uptime | sed 's/.*load average: //')"
