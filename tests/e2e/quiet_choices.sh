#!/usr/bin/env bash
# /quiet with the wizard's choices on the command line: a destination with
# blanks in quotes, ending in a backslash, in a folder that does not exist
# yet, a new Start Menu folder below another new one, and no icons at all
# (/tasks= empty). Nothing is shown, the exit code is 0, and the product is
# where the switches put it.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/unattended_lib.sh"
e2e_begin quiet_choices
e2e_demo_files
dest='C:\Deployed Apps\Velmora Suite'

e2e_drive quiet_choices <<WIZ
make-dir '%VELMORA_QUICK_LAUNCH%'
start '$(winpath "$VELMORA_SETUP")' -QUIET '/dir="$dest\"' '/Group="Brenthaven Tools\Velmora"' /tasks=
expect-exit-code 0
expect-shown
$(wiz_expect_installed "$dest" 'Brenthaven Tools\Velmora' 0 0)
expect-no-file '$T_DEFAULT_DEST'
expect-no-file '$T_LOG'
WIZ
