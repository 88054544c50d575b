#!/usr/bin/env bash
# display_scale.sh DPI PAGES_TEST [LANGUAGES]: the pages' display-scale test
# in a throwaway prefix whose scale is DPI, set where Windows and Wine keep it
# (LogPixels), on a private X display; in every language of the wizard, or in
# those named (gtest patterns of their codes: "en", "*").
set -euo pipefail
dpi=${1:?dpi} program=${2:?pages test} languages=${3:-*}
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/tests/wine/env.sh"
prefix=${VELMORA_WINE_SCENARIOS:?}/display-scale-$dpi
"$VELMORA_PREFIX_TOOL" pristine "$VELMORA_WINE_PRISTINE" "${VELMORA_WINE_ARCH:-win32}"
"$VELMORA_PREFIX_TOOL" fresh "$VELMORA_WINE_PRISTINE" "$prefix"
# Written before the prefix's server starts, as the virtual desktop of the
# end-to-end scenarios is.
printf '\n[Control Panel\\\\Desktop] 1700000000\n"LogPixels"=dword:%08x\n' "$dpi" >>"$prefix/user.reg"
source "$root/tools/xvfb.sh"
start_xvfb
finish() {
  local status=$?
  "$VELMORA_PREFIX_TOOL" stop "$prefix" || true
  stop_xvfb
  [ $status -ne 0 ] || rm -rf "$prefix"
  exit $status
}
trap finish EXIT
use_wine_prefix "$prefix"
VELMORA_EXPECTED_DPI=$dpi wine "$program" --gtest_filter="EveryLanguage/PageLanguageTest.DisplayScale*/$languages:PageTest.EveryInputControl*"
