#!/usr/bin/env bash
# A file in use is replaced at the next start: in a fresh prefix, install
# over a held file, restart the prefix's Windows (wineboot -r), and check the
# target then holds the new content. Never touches the shared test prefix.
#   pending_replacement_scenario.sh STEP_EXE
set -euo pipefail
step=${1:?step program}
: "${VELMORA_WINE_PRISTINE:?}" "${VELMORA_PREFIX_TOOL:?}" "${VELMORA_BUILD_DIR:?}"

work=$(mktemp -d "$VELMORA_BUILD_DIR/wine/pending-replacement.XXXXXX")
prefix=$work/prefix
cleanup() {
  "$VELMORA_PREFIX_TOOL" stop "$prefix"
  rm -rf "$work"
}
trap cleanup EXIT

source "${VELMORA_SOURCE_DIR:?}/tests/wine/env.sh"
export WINEPREFIX=$prefix
"$VELMORA_PREFIX_TOOL" fresh "$VELMORA_WINE_PRISTINE" "$prefix"
folder='C:\velmora-pending'

# One Windows session until the restart: a new session would itself start
# with the boot-time work.
wineserver -p </dev/null >/dev/null 2>&1
wine "$step" prepare "$folder" </dev/null
wine "$step" pending "$folder" </dev/null
wineboot -r </dev/null
wine "$step" verify "$folder" </dev/null
