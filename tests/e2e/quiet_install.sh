#!/usr/bin/env bash
# An administrator installs Velmora with /quiet: no window of the setup ever
# becomes visible, the process ends with 0, the product is installed as a
# wizard run with every default installs it, nothing is launched or opened,
# and the log in the system directory is gone. A /log copy stays, its last
# line naming the exit code.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/unattended_lib.sh"
e2e_begin quiet_install
e2e_demo_files

e2e_drive quiet_install <<WIZ
$(e2e_open_recorder_commands)
make-dir '%VELMORA_QUICK_LAUNCH%'
start '$(winpath "$VELMORA_SETUP")' /quiet '/log=$E2E_WORK_WIN\quiet.log'
expect-exit-code 0
expect-shown
$(wiz_expect_installed "$T_DEFAULT_DEST" Velmora 1 1)
expect-no-file '$T_LOG'
expect-no-file '$E2E_OPENED_WIN'
expect-file-contains '$E2E_WORK_WIN\quiet.log' 'Command line: /quiet /log=$E2E_WORK_WIN\quiet.log'
expect-file-contains '$E2E_WORK_WIN\quiet.log' 'Install File: $T_DEFAULT_DEST\velmora.exe'
expect-file-contains '$E2E_WORK_WIN\quiet.log' "Start Installed Service: velctl\r\nCreateDirectory: "
expect-file-contains '$E2E_WORK_WIN\quiet.log' "Exit code: 0\r\n"
WIZ
tail -c 15 "$E2E_WORK/quiet.log" | grep -q $'^Exit code: 0\r$' || { echo "the log copy does not end with its exit code" >&2; exit 1; }
