#!/usr/bin/env bash
# A package with one flipped byte in its entry area: the welcome page reports
# "Installation package is damaged", Next stays disabled, and Cancel, Yes ends
# the run with nothing installed.
source "$(dirname "$0")/lib.sh"
e2e_begin damaged_package

damaged=$E2E_WORK/velmora-setup.exe
cp "$VELMORA_SETUP" "$damaged"
# The package runs to the end of the file; a byte 100 from the end lies in
# the last entry's compressed content, inside the digested area.
python3 - "$damaged" <<'PY'
import os, sys
with open(sys.argv[1], "r+b") as f:
    f.seek(-100, os.SEEK_END)
    byte = f.read(1)[0]
    f.seek(-100, os.SEEK_END)
    f.write(bytes([byte ^ 0x01]))
PY

e2e_drive damaged_package <<WIZ
start '$(winpath "$damaged")'
wait-page welcome
answer-box ok "$T_DAMAGED" "Velmora"
wait-enabled 2
expect-disabled 1
expect-disabled 1000
expect-text 1002 "$T_WELCOME_WAIT"
expect-no-box 1000
expect-disabled 1
click 2
answer-box yes "$T_CANCEL_QUESTION" "velmora-setup"
wait-exit
expect-exit-code 1620
expect-file '$T_LOG'
$(wiz_expect_nothing_installed)
WIZ
