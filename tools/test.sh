#!/usr/bin/env bash
# Runs every test: installs what the machine lacks, builds both sides, runs
# the native tests, the fuzzer and the Windows tests under Wine and Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMORA_BUILD:-$root/build}
export VELMORA_BUILD=$build

"$root/tools/bootstrap.sh"
"$root/tools/build.sh"

source "$root/tools/xvfb.sh"
cleanup() {
  # End every Wine prefix's processes that the run started, then Xvfb.
  for p in "$build"/win/wine/*/ "$build"/win/wine/scenarios/*/; do
    [ -d "$p" ] && "$root/tests/wine/prefix.sh" stop "$p"
  done
  stop_xvfb
}
trap cleanup EXIT
start_xvfb

status=0
ctest --test-dir "$build/native" --output-on-failure -j "$(nproc)" || status=1
ctest --test-dir "$build/win" --output-on-failure -j "$(nproc)" || status=1
if [ -x "$root/tools/fuzz.sh" ]; then
  "$root/tools/fuzz.sh" || status=1
fi
exit $status
