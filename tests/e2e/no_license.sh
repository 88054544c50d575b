#!/usr/bin/env bash
# A package without "license.rtf": the license page says the package is
# damaged instead of offering an empty text; the license cannot be accepted,
# and only Back and Cancel lead on.
source "$(dirname "$0")/lib.sh"
e2e_begin no_license
e2e_demo_files

files=()
for f in "${E2E_DEMO_FILES[@]}"; do
  [ "$(basename "$f")" = license.rtf ] || files+=("$f")
done
e2e_pack "$E2E_WORK/velmora-setup.exe" "${files[@]}"

e2e_drive no_license <<WIZ
$(wiz_start "$E2E_WORK/velmora-setup.exe")
$(wiz_next license)
answer-box ok "$T_DAMAGED" "Velmora"
expect-empty 1007
expect-checked 1009
expect-disabled 1008
expect-disabled 1
expect-enabled 1000
click 2
answer-box yes "$T_CANCEL_QUESTION" "velmora-setup"
wait-exit
expect-exit-code 1602
WIZ
