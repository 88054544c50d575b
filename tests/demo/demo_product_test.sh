#!/usr/bin/env bash
# Scenario test of the demo product in a fresh Wine prefix:
#   demo_product_test.sh PROGRAM_TEST UNINSTALL_TEST AFTER_RESTART_TEST
# copies the built demo files into C:\velmora-demo, runs the program
# and uninstaller tests, restarts the prefix (wineboot -r carries out the
# deletions left for the restart) and checks the machine after it.
set -euo pipefail
program_test=${1:?program test}
uninstall_test=${2:?uninstall test}
after_restart_test=${3:?after-restart test}
build=${VELMORA_BUILD_DIR:?}
prefix=$build/wine/scenarios/demo-product

source "${VELMORA_SOURCE_DIR:?}/tests/wine/env.sh"
export WINEPREFIX=$prefix

stop_prefix() { WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true; }
trap stop_prefix EXIT

"${VELMORA_PREFIX_TOOL:?}" fresh "${VELMORA_WINE_PRISTINE:?}" "$prefix"
mkdir -p "$prefix/drive_c/velmora-demo"
cp "$build"/demo/files/* "$prefix/drive_c/velmora-demo/"

status=0
echo "== the programs, texts and help file"
wine "$program_test" || status=1
echo "== the uninstaller"
wine "$uninstall_test" || status=1
echo "== restart"
wineboot -r
echo "== after the restart"
wine "$after_restart_test" || status=1
exit $status
