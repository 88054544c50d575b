#!/usr/bin/env bash
# A quiet installation that fails the natural way (the Start Menu folder's
# parent is a file): exit code 1603, nothing shown, nothing opened, the
# machine as before, the system log kept, and the /log copy holds the
# failure, the rollback and the exit code.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/unattended_lib.sh"
e2e_begin quiet_failure
group='Velmora.lnk\Velmora'
copy="$E2E_WORK_WIN\\failure.log"

e2e_drive quiet_failure <<WIZ
$(e2e_open_recorder_commands)
make-dir '%VELMORA_QUICK_LAUNCH%'
make-file '%VELMORA_COMMON_PROGRAMS%\Velmora.lnk'
snapshot before
start '$(winpath "$VELMORA_SETUP")' /quiet '"/group=$group"' '/log=$copy'
expect-exit-code 1603
expect-shown
expect-no-file '$E2E_OPENED_WIN'
$(wiz_expect_nothing_installed)
expect-file-contains '$copy' 'CreateDirectory: %VELMORA_COMMON_PROGRAMS%\\$group'
expect-file-contains '$copy' 'Uninstall Service: velctl'
expect-file-contains '$copy' 'RemoveInstallFiles: $T_DEFAULT_DEST\velmora.exe'
expect-file-contains '$copy' "Message: Error during installation. Error code = 0x000002ac Error arg0 = 0x00000003\r\n"
expect-file-contains '$copy' 'RemoveInstallFiles: %VELMORA_SYSTEM%\Drivers\velctl.sys'
expect-file-contains '$copy' "Exit code: 1603\r\n"
expect-file-contains '$T_LOG' "Exit code: 1603\r\n"
# The control driver was started before the failure: the service manager
# counts that start in ServiceCurrent, its own record, not the setup's.
expect-unchanged before $(wiz_log_words) 'HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce' 'HKLM\System\CurrentControlSet\Control\ServiceCurrent\' $(wiz_wine_noise)
WIZ
