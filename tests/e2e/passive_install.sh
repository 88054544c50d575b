#!/usr/bin/env bash
# /passive with the desktop icon only: the progress page is the one window
# the setup ever shows, with no button to press; it ends by itself, the
# process ends with 0, and nothing is launched.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/unattended_lib.sh"
e2e_begin passive_install
e2e_demo_files

e2e_drive passive_install <<WIZ
$(e2e_open_recorder_commands)
make-dir '%VELMORA_QUICK_LAUNCH%'
start '$(winpath "$VELMORA_SETUP")' /passive /tasks=desktop
wait-page progress
expect-title "$T_TITLE"
expect-hidden 1
expect-disabled 2
expect-exit-code 0
expect-seen progress
expect-shown progress
$(wiz_expect_installed "$T_DEFAULT_DEST" Velmora 1 0)
expect-no-file '$E2E_OPENED_WIN'
expect-no-file '$T_LOG'
WIZ
