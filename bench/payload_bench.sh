#!/usr/bin/env bash
# Products of any size: for each payload size (MiB) and kind, the setup
# carrying the demo files plus one payload file against an NSIS installer
# carrying the same files. Figures, not a test. Per row:
#   time from start to an enabled Next (bench/win/first_page_timer.exe, the
#     two installers taking turns in every round; medians),
#   time of an unattended installation (/quiet, NSIS's /S) into a fresh
#     prefix, the two alternating (medians), and
#   the installer process's peak working set during that installation
#     (bench/win/quiet_timer.exe, a Windows parent reading
#     GetProcessMemoryInfo; the largest over the rounds).
#
#   bench/payload_bench.sh [--rounds N] [--sizes "10 200 1024 3584"] [--kinds "text random mixed"]
#                          [--next-only]
#
# text: base64 of random bytes (deflates to about three quarters);
# random: incompressible; mixed: half of each. --next-only leaves out the
# unattended installations. Each row ends with the ratios to NSIS and the
# machine's load (uptime) when the row was measured. NSIS cannot build an installer over 2 GiB (its
# data block and file sizes are 31-bit): larger rows show only the setup.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMORA_BUILD:-$root/build}
rounds=3
sizes="10 200"
kinds="text random"
quiet=1
while [ $# -gt 0 ]; do
  case $1 in
    --rounds) rounds=$2; shift 2 ;;
    --sizes) sizes=$2; shift 2 ;;
    --kinds) kinds=$2; shift 2 ;;
    --next-only) quiet=0; shift ;;
    *) echo "usage: $0 [--rounds N] [--sizes MIB...] [--kinds KIND...] [--next-only]" >&2; exit 2 ;;
  esac
done

setup=$build/win/velmora-setup.exe
files=$build/win/demo/files
first_page_timer=$build/win/bench/win/first_page_timer.exe
quiet_timer=$build/win/bench/win/quiet_timer.exe
for needed in "$setup" "$files/velmora.exe" "$first_page_timer" "$quiet_timer"; do
  [ -e "$needed" ] || { echo "$needed is missing: run ./tools/build.sh first" >&2; exit 1; }
done
command -v makensis >/dev/null || { echo "makensis is missing: apt-get install nsis" >&2; exit 1; }

source "$root/bench/wine_bench.sh"
bench_begin payload
"$prefix_tool" pristine "$pristine"
winpath() { local p; p=$(readlink -f "$1"); echo "Z:${p//\//\\}"; }
median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# quiet_run EXE ARGUMENT: "ms peak-KiB" of one installation into a fresh prefix.
quiet_run() {
  local line
  "$prefix_tool" fresh "$pristine" "$prefix"
  "$prefix_tool" start "$prefix"
  line=$(WINEPREFIX=$prefix wine "$(winpath "$quiet_timer")" "$(winpath "$1")" "$2" </dev/null 2>/dev/null | tr -d '\r')
  "$prefix_tool" stop "$prefix"
  rm -rf "$prefix"
  set -- $line
  [ "${3:-1}" = 0 ] || { echo "$1 failed: $line" >&2; exit 1; }
  echo "$1 $2"
}

rows=()
for mb in $sizes; do
  for kind in $kinds; do
    rm -rf "$work/files" && mkdir -p "$work/files"
    payload=$work/files/payload.bin
    if [ "$kind" = text ]; then
      head -c $((mb * 1024 * 1024 * 3 / 4)) /dev/urandom | base64 -w 76 >"$payload"
    elif [ "$kind" = mixed ]; then
      { head -c $((mb * 1024 * 1024 / 2)) /dev/urandom
        head -c $((mb * 1024 * 1024 * 3 / 8)) /dev/urandom | base64 -w 76; } >"$payload"
    else
      head -c $((mb * 1024 * 1024)) /dev/urandom >"$payload"
    fi
    python3 "$root/bench/pack_payload.py" "$setup" "$work/ours.exe" payload.bin "$payload"
    nsis=
    if [ "$mb" -lt 2048 ]; then
      bench_nsis "$files" "$work/files" payload.bin
      mv "$work/files/velmora-nsis.exe" "$work/nsis.exe"
      nsis=$work/nsis.exe
    fi
    rm -f "$payload"

    "$prefix_tool" fresh "$pristine" "$prefix"
    "$prefix_tool" start "$prefix"
    next=$(WINEPREFIX=$prefix wine "$(winpath "$first_page_timer")" --rounds "$rounds" "$(winpath "$work/ours.exe")" \
             ${nsis:+"$(winpath "$nsis")"} </dev/null 2>&1 | tr -d '\r' | grep ': median ' | awk '{ print $3 }')
    "$prefix_tool" stop "$prefix"
    rm -rf "$prefix"
    read -r -a next <<<"$(echo $next)"

    ours_ms=() ours_peak=0 nsis_ms=() nsis_peak=0
    for ((round = 1; quiet && round <= rounds; ++round)); do
      order=(ours nsis)
      ((round % 2)) || order=(nsis ours)
      for which in "${order[@]}"; do
        if [ "$which" = ours ]; then
          read -r ms peak <<<"$(quiet_run "$work/ours.exe" /quiet)"
          ours_ms+=("$ms"); ((peak > ours_peak)) && ours_peak=$peak
        elif [ -n "$nsis" ]; then
          read -r ms peak <<<"$(quiet_run "$nsis" /S)"
          nsis_ms+=("$ms"); ((peak > nsis_peak)) && nsis_peak=$peak
        fi
      done
    done
    ours_quiet=$( ((${#ours_ms[@]})) && printf '%s\n' "${ours_ms[@]}" | median || echo n/a)
    nsis_quiet=$( ((${#nsis_ms[@]})) && printf '%s\n' "${nsis_ms[@]}" | median || echo n/a)
    ratio() { [[ $1 =~ ^[0-9.]+$ && $2 =~ ^[0-9.]+$ ]] && awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }' || echo n/a; }
    row=$(printf '%6s MiB %-6s | Next %7s ms / NSIS %7s ms = %5s | /quiet %7s ms / NSIS %7s ms = %5s | peak WS %5s MiB / NSIS %5s MiB | load %s' \
      "$mb" "$kind" "${next[0]}" "${next[1]:-n/a}" "$(ratio "${next[0]}" "${next[1]:-}")" \
      "$ours_quiet" "$nsis_quiet" "$(ratio "$ours_quiet" "$nsis_quiet")" \
      "$( ((quiet)) && echo $((ours_peak / 1024)) || echo n/a)" \
      "$( ((quiet)) && [ -n "$nsis" ] && echo $((nsis_peak / 1024)) || echo n/a)" \
      "$(uptime | sed 's/.*load average: //')")
    echo "$row"
    rows+=("$row")
    rm -f "$work/ours.exe" "$work/nsis.exe"
  done
done
echo "--- $rounds rounds per row"
printf '%s\n' "${rows[@]}"
