#!/usr/bin/env bash
# A package with one flipped byte in its entry area: the welcome page reports
# "Installation package is damaged", Next stays disabled, and Cancel, Yes ends
# the run with nothing installed.
source "$(dirname "$0")/lib.sh"
e2e_begin damaged_package

damaged=$E2E_WORK/velmora-setup.exe
cp "$VELMORA_SETUP" "$damaged"
# A byte 100 before the package's end (the end of the file, or the start of
# the signature of a signed setup) lies in the last entry's compressed
# content, inside the digested area.
python3 "$VELMORA_SOURCE_DIR/tests/signing/package_byte.py" "$damaged" flip >/dev/null

e2e_drive damaged_package <<WIZ
start '$(winpath "$damaged")'
wait-page welcome
$(wiz_refused_package "$T_DAMAGED")
expect-exit-code 1620
expect-file '$T_LOG'
$(wiz_expect_nothing_installed)
WIZ
