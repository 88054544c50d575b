#!/usr/bin/env bash
# An installation that fails: the destination's parent is a file.
# Message 44 shows code 0x000002ac, the rollback's task texts follow in
# order, the failure finish page has the red title and no check boxes, then
# the log is opened for the user with message 57. The machine is as before
# but for the log file and the RunOnce key.
source "$(dirname "$0")/lib.sh"
e2e_begin failed_install
mkdir -p "$E2E_WORK/pictures"
shots=$E2E_WORK_WIN\\pictures
dest='C:\Velmora.lnk\Velmora'

e2e_drive failed_install <<WIZ
$(e2e_open_recorder_commands)
make-dir '%VELMORA_QUICK_LAUNCH%'
make-file 'C:\Velmora.lnk'
snapshot before
$(wiz_start "$VELMORA_SETUP")
$(wiz_defaults_to destination)
set-text 1015 '$dest'
$(wiz_next startmenu)
$(wiz_next tasks)
$(wiz_next ready)
$(wiz_next progress)
record-texts 1027
answer-box ok "Error during installation.\nError code = 0x000002ac\nError arg0 = 0x00000003" "Velmora"
wait-page finish 60000
expect-recorded "Stop running services..." "Remove installed services..." "Clear registry entry..." "Delete created files..." "Restore overwritten files..." "Delete directory..." "Finish installation..."

# The failure finish page: red title (see the picture), no boxes.
expect-text 1001 "$T_FAILURE_TITLE"
expect-text 1002 "While installing Velmora on your computer system error occurred. Please download the latest version of Velmora from our web site and try again!"
expect-hidden 1030
expect-hidden 1032
expect-hidden 1033
expect-hidden 1034
screenshot '$shots\failure-finish.bmp'
click 2

# The log is opened, then message 57 names it.
wait-file-contains '$E2E_OPENED_WIN' "velmora-install.log"
expect-file-contains '$E2E_OPENED_WIN' '%VELMORA_SYSTEM%\velmora-install.log'
answer-box ok "To resolve installation issue could you please send installation log file [velmora-install.log] to our support team." "Velmora"
wait-exit
expect-exit-code 1603
expect-file-contains '$T_LOG' 'Install File: %VELMORA_SYSTEM%\Drivers\velctl.sys'
expect-file-contains '$T_LOG' 'CreateDirectory: $dest'
expect-file-contains '$T_LOG' 'RemoveInstallFiles: %VELMORA_SYSTEM%\Drivers\velctl.sys'
expect-file-contains '$T_LOG' 'RemoveInstallFiles: %VELMORA_SYSTEM%\Drivers\velmon.sys'
expect-no-process velmora.exe
$(wiz_expect_nothing_installed "$dest")
expect-unchanged before $(wiz_log_words) 'HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce' $(wiz_wine_noise)
WIZ
e2e_pictures_to_png "$E2E_WORK/pictures"
e2e_expect_no_drivers

# The failure title is drawn in pure red.
red=$(convert "$E2E_WORK/pictures/failure-finish.png" txt:- | grep -ci '#FF0000' || true)
echo "pure red pixels on the failure finish page: $red"
[ "$red" -gt 100 ] || { echo "the failure title is not red" >&2; exit 1; }
