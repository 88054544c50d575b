#!/usr/bin/env bash
# The product's program file from an earlier installation is held open by
# another program while a newer build is installed over it. The new file
# waits for the restart: the restart page offers "Yes, restart  the computer
# now." first. Choosing later ends the run without a restart request; keeping
# Yes requests the restart (under Wine: the end-of-session broadcast, then
# every process of the prefix is ended). After the restart (wineboot -r) the
# new file is in place and no ".tmp" file is left.
source "$(dirname "$0")/lib.sh"
e2e_begin file_in_use
e2e_demo_files
mkdir -p "$E2E_WORK/pictures"
shots=$E2E_WORK_WIN\\pictures
dest=$T_DEFAULT_DEST

e2e_pack_newer
new_exe=$(winpath "$E2E_WORK/newer/velmora.exe")
old_exe=$(winpath "$(dirname "${E2E_DEMO_FILES[0]}")/velmora.exe")

# Driver commands: install the newer build with the program file held open,
# up to the restart page; $1 temporary files wait for the restart by then.
install_newer_held() {
  cat <<WIZ
stop-service velctl
hold-file '$dest\velmora.exe'
$(wiz_start "$E2E_WORK/velmora-setup.exe")
$(wiz_defaults_to ready)
$(wiz_next progress)
wait-page restart 60000
expect-title "$T_TITLE"
expect-text 1001 "$T_SUCCESS_TITLE"
expect-text 1002 "To complete the installation Velmora, Setup must restart your computer. Would you like to restart now?"
expect-text 1031 "Yes, restart  the computer now."
expect-text 1032 "No, I will restart the computer later."
expect-checked 1008
expect-unchecked 1009
expect-same-file '$dest\velmora.exe' '$old_exe'
expect-match-count '$dest\velmora.exe_*.tmp' $1
expect-reg-contains 'HKLM\System\CurrentControlSet\Control\Session Manager' PendingFileRenameOperations '$dest\velmora.exe_'
WIZ
}

e2e_drive file_in_use <<WIZ || true
$(e2e_open_recorder_commands)
# The earlier installation, with nothing launched at its end.
$(wiz_start "$VELMORA_SETUP")
$(wiz_defaults_to ready)
$(wiz_next progress)
wait-page finish 60000
$(wiz_finish_without_launching)
expect-exit-code 0

# The newer build, restart declined.
$(install_newer_held 1)
screenshot '$shots\restart.bmp'
click 1009
expect-checked 1009
expect-unchecked 1008
click 1008
click 1009
click 2
wait-exit
expect-exit-code 3010
expect-no-end-session 3000
expect-no-process velmora.exe
expect-no-file '$E2E_OPENED_WIN'
expect-no-file '$T_LOG'
release-files

# The newer build again, restart kept: the run takes back the replacement
# the first one left waiting and stages its own, so one copy waits.
$(install_newer_held 1)
click 2
wait-end-session 30000
# The restart ends every process of the prefix, this driver too.
sleep 30000
WIZ
grep -q '^session: the session ends' "$E2E_WORK/file_in_use.out" || { echo "no restart was requested" >&2; exit 1; }
echo "The restart request ended every process of the prefix, the driver too, as it should."

# The restart: Windows carries out the pending renames as it starts.
WINEPREFIX=$E2E_PREFIX wineserver -w
WINEPREFIX=$E2E_PREFIX wine wineboot -r >/dev/null 2>&1

e2e_drive after_restart <<WIZ
expect-same-file '$dest\velmora.exe' '$new_exe'
expect-match-count '$dest\*.tmp' 0
expect-match-count '%VELMORA_SYSTEM%\drivers\*.tmp' 0
expect-no-file '$T_LOG'
WIZ
e2e_pictures_to_png "$E2E_WORK/pictures"
