#!/usr/bin/env bash
# A product whose help file is 2 GiB (of zeros, a package of a few MB)
# installs with /quiet: the setup verifies and writes it without ever holding
# it, its peak working set stays below 64 MiB, and the installed file is
# exactly the packed one.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/unattended_lib.sh"
e2e_begin big_package
e2e_demo_files
python3 "$VELMORA_SOURCE_DIR/tests/sequences/zeros_package.py" "$VELMORA_SETUP" "$E2E_WORK/big.exe" velmora.chm 2048
demo_dir=$(winpath "$(dirname "${E2E_DEMO_FILES[0]}")")

e2e_drive big_package <<WIZ
start '$(winpath "$E2E_WORK/big.exe")' /quiet
expect-exit-code 0 300000
expect-shown
expect-peak-working-set-below 64
expect-same-file '$T_DEFAULT_DEST\velmora.exe' '$demo_dir\velmora.exe'
expect-match-count '$T_DEFAULT_DEST\*' 6
WIZ
help=$(find "$E2E_PREFIX/drive_c" -path '*/Velmora/velmora.chm')
cmp "$help" <(head -c $((2048 << 20)) /dev/zero) || { echo "the installed help file is not the packed one" >&2; exit 1; }
