#!/usr/bin/env bash
# How long an unattended installation takes: the setup's /quiet run against
# the silent run (/S) of an NSIS installer that carries the same nine files
# and puts them into the same folders (the six program files into Program
# Files\Velmora, the two drivers into system32\drivers; license.rtf is
# carried for the license page and installed by neither). Figures, not a
# test.
#
#   bench/unattended_bench.sh [--rounds N]      (default 7)
#
# Every run gets a fresh copy of one pristine 32-bit prefix with its
# wineserver already up, so the time is that of `wine PROGRAM ARGS` from
# start to exit. The rounds interleave the two installers, alternating which
# goes first, so that a machine busy with other work slows both alike. It
# prints every time, both medians and their ratio.
#
# What the ratio includes: the setup's run does more than copy files. It
# verifies and inflates its package (MD5 per entry), backs up nothing on a
# clean machine but journals every change, registers two kernel-driver
# services and starts one (Wine's service manager and winedevice), creates
# the Start Menu folder with four shortcuts through COM and a web link,
# the desktop and Quick Launch icons, the uninstall registration and the
# ".tms" document type, and writes its log. The NSIS installer only
# unpacks and writes the eight files.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMORA_BUILD:-$root/build}
rounds=7
while [ $# -gt 0 ]; do
  case $1 in
    --rounds) rounds=$2; shift 2 ;;
    *) echo "usage: $0 [--rounds N]" >&2; exit 2 ;;
  esac
done

setup=$build/win/velmora-setup.exe
files=$build/win/demo/files
for needed in "$setup" "$files/velmora.exe"; do
  [ -e "$needed" ] || { echo "$needed is missing: run ./tools/build.sh first" >&2; exit 1; }
done
command -v makensis >/dev/null || { echo "makensis is missing: apt-get install nsis" >&2; exit 1; }

source "$root/bench/wine_bench.sh"
bench_begin unattended

# The NSIS installer, built here from the same files.
bench_nsis "$files" "$work"
nsis=$work/velmora-nsis.exe

"$prefix_tool" pristine "$pristine"
winpath() { local p; p=$(readlink -f "$1"); echo "Z:${p//\//\\}"; }

# run_once KIND: one installation into a fresh prefix; prints milliseconds.
run_once() {
  local kind=$1 start end status=0
  "$prefix_tool" fresh "$pristine" "$prefix"
  "$prefix_tool" start "$prefix"
  start=$(date +%s%N)
  if [ "$kind" = setup ]; then
    WINEPREFIX=$prefix wine "$(winpath "$setup")" /quiet </dev/null >/dev/null 2>&1 || status=$?
  else
    WINEPREFIX=$prefix wine "$(winpath "$nsis")" /S </dev/null >/dev/null 2>&1 || status=$?
  fi
  end=$(date +%s%N)
  local installed=$prefix/drive_c/Program\ Files/Velmora/velmora.exe
  [ "$status" -eq 0 ] && [ -f "$installed" ] && [ -f "$prefix/drive_c/windows/system32/drivers/velctl.sys" ] ||
    { echo "the $kind installation failed (status $status)" >&2; exit 1; }
  "$prefix_tool" stop "$prefix"
  echo $(((end - start) / 1000000))
}

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

setup_times=()
nsis_times=()
for ((round = 1; round <= rounds; ++round)); do
  if ((round % 2)); then order=(setup nsis); else order=(nsis setup); fi
  for kind in "${order[@]}"; do
    ms=$(run_once "$kind")
    if [ "$kind" = setup ]; then setup_times+=("$ms"); else nsis_times+=("$ms"); fi
    echo "round $round: $kind $ms ms"
  done
done

setup_median=$(printf '%s\n' "${setup_times[@]}" | median)
nsis_median=$(printf '%s\n' "${nsis_times[@]}" | median)
echo "velmora-setup.exe /quiet: median $setup_median ms over $rounds runs (${setup_times[*]})"
echo "velmora-nsis.exe /S:      median $nsis_median ms over $rounds runs (${nsis_times[*]})"
awk -v a="$setup_median" -v b="$nsis_median" 'BEGIN { printf "ratio setup / NSIS: %.2f\n", a / b }'
echo "The ratio includes the setup's package verification, two driver services (one started), shortcuts, registry entries and log; the NSIS installer only writes the eight files."
