#!/usr/bin/env bash
# Second runs over an earlier release installed quietly into folders of its
# own with the desktop icon only:
# - a newer version recorded instead: a quiet run ends with 1638, a wizard
#   run shows why over its welcome page and ends with 1638; nothing changed;
# - /dir naming another folder: 1639, nothing changed;
# - the wizard upgrades it while it runs: both folder pages show the
#   installed folders, read-only, the tasks page the earlier choices;
#   Install names the running product in a box, Cancel keeps the ready page,
#   Yes closes it; one copy of the product afterwards, in its folder, and
#   one registration of 1.7, 0;
# - a program file deleted and another changed, the same version run
#   quietly: a repair, 0, both files as shipped, every text value of the
#   registration in place;
# - quiet upgrades over the running control driver, to a build with other
#   drivers and back: each stops it, replaces its file and starts it again,
#   0, nothing left for a restart, no copy beside the files;
# - a quiet removal while the product runs: closed, removed, 0.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/unattended_lib.sh"
e2e_begin second_run
e2e_demo_files

# The earlier release: another program file, recorded as version 1.6 below.
e2e_pack_newer
# A build whose drivers differ too (bytes appended: still loadable drivers).
older_files=()
mkdir -p "$E2E_WORK/older"
for file in "${E2E_DEMO_FILES[@]}"; do
  cp "$file" "$E2E_WORK/older/"
  case $file in *.sys) printf 'Velmora 1.6' >>"$E2E_WORK/older/$(basename "$file")" ;; esac
  older_files+=("$E2E_WORK/older/$(basename "$file")")
done
e2e_pack "$E2E_WORK/velmora-older.exe" "${older_files[@]}"
older=$(winpath "$E2E_WORK/velmora-older.exe")
older_driver=$(winpath "$E2E_WORK/older/${T_DRIVER_ENTRIES[0]}")
session_manager='HKLM\System\CurrentControlSet\Control\Session Manager'
earlier=$(winpath "$E2E_WORK/velmora-setup.exe")
earlier_exe=$(winpath "$E2E_WORK/newer/velmora.exe")
setup=$(winpath "$VELMORA_SETUP")
dest='C:\Apps\Velmora Custom'
group='Velmora Custom'
log=$E2E_WORK_WIN\\second.log
unchanged="$(wiz_log_words) 'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce' $(wiz_wine_noise)"
T_RUNNING="These programs are using files that Setup must update:\n\n$dest\\velmora.exe\n\nClick Yes to close them and continue, No to continue without closing them (Windows then completes the installation when you restart your computer), or Cancel to return."
T_NEWER="A newer version of Velmora is already installed on this computer: version 9.0. This Setup Wizard installs version 1.7. To install it, please remove the newer version first."

e2e_drive second_run <<WIZ
make-dir '%VELMORA_QUICK_LAUNCH%'
make-dir 'C:\Apps'
start '$earlier' /quiet '/dir="$dest"' '/group="$group"' /tasks=desktop
expect-exit-code 0

reg-set '$T_UNINSTALL_KEY' DisplayVersion 9.0
snapshot newer
start '$setup' /quiet '/log=$log'
expect-exit-code 1638
expect-shown
expect-file-contains '$log' "Installed version: 9.0\r\nInstalled in: $dest\r\n"
expect-file-contains '$log' "Error: A newer version is installed: 9.0\r\nExit code: 1638\r\n"
start '$setup'
wait-page welcome
$(wiz_refused_package "$T_NEWER")
expect-exit-code 1638
expect-unchanged newer $unchanged

reg-set '$T_UNINSTALL_KEY' DisplayVersion 1.6
snapshot earlier
start '$setup' /quiet '/dir=C:\Elsewhere\Velmora' '/log=$log'
expect-exit-code 1639
expect-shown
expect-file-contains '$log' "Error: Invalid command line argument: /dir: the product is installed in $dest\r\n"
expect-unchanged earlier $unchanged

# The administrator stops the running driver first; the product is open.
# Install names it in a box over the ready page: Cancel stays there with
# nothing changed, Yes closes it, and nothing waits for a restart.
stop-service velctl
start-other '$dest\velmora.exe'
wait-window-class VelmoraMainWindow
$(wiz_start "$VELMORA_SETUP")
$(wiz_next license)
click 1008
$(wiz_next destination)
expect-text 1015 '$dest'
expect-read-only 1015
expect-disabled 1016
$(wiz_next startmenu)
expect-text 1015 '$group'
expect-read-only 1015
expect-disabled 1016
$(wiz_next tasks)
expect-checked 1022
expect-unchecked 1023
$(wiz_next ready)
click 1
answer-box cancel "$T_RUNNING" Velmora
expect-page ready
wait-process velmora.exe 1000
expect-same-file '$dest\velmora.exe' '$earlier_exe'
click 1
answer-box yes "$T_RUNNING" Velmora
wait-page progress
wait-page finish 60000
$(wiz_finish_without_launching)
expect-exit-code 0
$(wiz_expect_installed "$dest" "$group" 1 0)
expect-no-file '$T_DEFAULT_DEST'
expect-no-file '%VELMORA_COMMON_PROGRAMS%\Velmora'
expect-reg '$T_UNINSTALL_KEY' DisplayVersion 1.7
WIZ

rm "$(e2e_drive_c "$dest\\readme.txt")"
printf 'changed after the installation\r\n' >"$(e2e_drive_c "$dest\\license.txt")"
e2e_drive repair <<WIZ
stop-service velctl
start '$setup' /quiet '/log=$log'
expect-exit-code 0
expect-file-contains '$log' "Installed version: 1.7\r\nInstalled in: $dest\r\nThis run: repair in place\r\n"
$(wiz_expect_installed "$dest" "$group" 1 0)
expect-no-file '$T_DEFAULT_DEST'
expect-reg '$T_UNINSTALL_KEY' DisplayVersion 1.7
expect-reg '$T_UNINSTALL_KEY' Publisher 'Brenthaven Software'
expect-reg '$T_UNINSTALL_KEY' DisplayIcon '$dest\velmora.exe,0'
expect-reg '$T_UNINSTALL_KEY' QuietUninstallString '"$dest\uninstall.exe" /quiet'
expect-reg '$T_UNINSTALL_KEY' UninstallString '"$dest\uninstall.exe"'
expect-reg '$T_UNINSTALL_KEY' URLInfoAbout 'http://www.brenthaven-software.com/velmora.html'
expect-reg '$T_UNINSTALL_KEY' InstallDate '$(date +%Y%m%d)'
WIZ

# Over the running control driver, nothing else of the product in use: the
# driver is stopped, its file replaced, and it runs again from the new file
# (a running driver holds its file, so with nothing pending its file is the
# one it runs from).
e2e_drive upgrade_running_driver <<WIZ
expect-service velctl running
reg-set '$T_UNINSTALL_KEY' DisplayVersion 1.6
start '$older' /quiet '/log=$log'
expect-exit-code 0
expect-service velctl running
expect-same-file '$T_NATIVE_DRIVERS\velctl.sys' '$older_driver'
expect-no-reg-value '$session_manager' PendingFileRenameOperations
reg-set '$T_UNINSTALL_KEY' DisplayVersion 1.6
start '$setup' /quiet '/log=$log'
expect-exit-code 0
expect-file-contains '$log' "This run: upgrade in place\r\n"
expect-file-contains '$log' "Stop Installed Service: velctl\r\n"
expect-file-contains '$log' "Start Installed Service: velctl\r\n"
expect-match-count '$T_NATIVE_DRIVERS\*.tmp' 0
expect-match-count '$dest\*.tmp' 0
expect-no-reg-value '$session_manager' PendingFileRenameOperations
$(wiz_expect_installed "$dest" "$group" 1 0)
WIZ

# A quiet removal while the product runs closes it; nothing waits.
e2e_drive removal_while_running <<WIZ
start-other '$dest\velmora.exe'
wait-window-class VelmoraMainWindow
start '$dest\uninstall.exe' /quiet
expect-exit-code 0
expect-no-process velmora.exe
expect-no-file '$dest\velmora.exe'
WIZ
