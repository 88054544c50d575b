#!/usr/bin/env bash
# A package without "license.rtf": the license page stays empty, and the
# license can still be accepted and the wizard goes on.
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
expect-empty 1007
expect-checked 1009
expect-disabled 1
click 1008
expect-enabled 1
$(wiz_next destination)
click 1000
wait-page license
expect-empty 1007
expect-checked 1008
expect-enabled 1
click 2
answer-box yes "$T_CANCEL_QUESTION" "velmora-setup"
wait-exit
expect-exit-code 1602
WIZ
