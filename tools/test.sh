#!/usr/bin/env bash
# Runs every test: installs what the machine lacks, builds both sides, runs
# the native tests, the fuzzer and the Windows tests under Wine and Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMORA_BUILD:-$root/build}
export VELMORA_BUILD=$build

"$root/tools/bootstrap.sh"
home_before=$(mktemp)
"$root/tools/home_check.sh" list >"$home_before"
"$root/tools/build.sh"

source "$root/tools/xvfb.sh"
cleanup() {
  # End every Wine prefix's processes that the run started, 32-bit and
  # 64-bit (the scenarios' prefixes of each lie in a folder of their own),
  # then Xvfb.
  for p in "$build"/win/wine/*/ "$build"/win/wine/scenarios*/*/; do
    [ -d "$p" ] && "$root/tests/wine/prefix.sh" stop "$p"
  done
  stop_xvfb
  rm -f "$home_before"
}
trap cleanup EXIT
start_xvfb

status=0
ctest --test-dir "$build/native" --output-on-failure -j "$(nproc)" || status=1
ctest --test-dir "$build/win" --output-on-failure -j "$(nproc)" || status=1
if [ -x "$root/tools/fuzz.sh" ]; then
  "$root/tools/fuzz.sh" || status=1
fi
# Nothing of a run may reach the user's menu or desktop.
"$root/tools/home_check.sh" compare "$home_before" || status=1
exit $status
