#!/usr/bin/env bash
# Quiet upgrades over the running product and driver: the product is closed,
# the driver stopped and started again, their files replaced at once (0);
# with /noclose the product keeps running and its file waits (3010). Then
# while the program file is held open. Without a
# restart switch the run ends with 3010 and no restart is requested; with
# /forcerestart it ends with 1641 and the end of the session is announced.
# Under Wine the end of the session ends every process that has a window,
# the driver too, maybe before it reads the exit code: the forced run is
# started by a batch file, whose command processor has no window and writes
# the exit code into a file.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/unattended_lib.sh"
e2e_begin quiet_restart
e2e_demo_files
dest=$T_DEFAULT_DEST

e2e_pack_newer
newer=$(winpath "$E2E_WORK/velmora-setup.exe")
newer_exe=$(winpath "$E2E_WORK/newer/velmora.exe")

e2e_drive quiet_restart <<WIZ
$(e2e_open_recorder_commands)
start '$(winpath "$VELMORA_SETUP")' /quiet
expect-exit-code 0

# The product running and its control driver too: the upgrade closes the
# program, stops the driver, replaces their files at once and starts the
# driver again; nothing waits for a restart.
expect-service velctl running
start-other '$dest\velmora.exe'
wait-window-class VelmoraMainWindow
start '$newer' /quiet '/log=$E2E_WORK_WIN\closed.log'
expect-exit-code 0
expect-shown
expect-other-exit-code 0
expect-no-process velmora.exe
expect-same-file '$dest\velmora.exe' '$newer_exe'
expect-match-count '$dest\velmora.exe_*.tmp' 0
expect-file-contains '$E2E_WORK_WIN\closed.log' "Running Program: $dest\velmora.exe\r\nClose Running Program: $dest\velmora.exe\r\nRunning Program Closed: $dest\velmora.exe\r\n"
expect-file-contains '$E2E_WORK_WIN\closed.log' "Stop Installed Service: velctl\r\n"
expect-file-contains '$E2E_WORK_WIN\closed.log' "Start Installed Service: velctl\r\n"
expect-service velctl running
expect-match-count '$T_NATIVE_DRIVERS\*.tmp' 0
expect-no-reg-value 'HKLM\System\CurrentControlSet\Control\Session Manager' PendingFileRenameOperations

# The newer build over a program in use: the restart is needed, not done.
stop-service velctl
hold-file '$dest\velmora.exe'
start '$newer' /quiet '/log=$E2E_WORK_WIN\held.log'
expect-exit-code 3010
expect-shown
expect-no-end-session 3000
expect-match-count '$dest\velmora.exe_*.tmp' 1
expect-reg-contains 'HKLM\System\CurrentControlSet\Control\Session Manager' PendingFileRenameOperations '$dest\velmora.exe_'
expect-no-file '$T_LOG'
expect-file-contains '$E2E_WORK_WIN\held.log' "Warning: === Reboot required to complete operation ===\r\n"
expect-file-contains '$E2E_WORK_WIN\held.log' "Exit code: 3010\r\n"

# /norestart says the same.
start '$newer' /quiet /norestart
expect-exit-code 3010
expect-no-end-session 3000
release-files

# /noclose leaves the running product open: its file waits for the restart.
start-other '$dest\velmora.exe'
wait-window-class VelmoraMainWindow
start '$newer' /quiet /noclose '/log=$E2E_WORK_WIN\kept.log'
expect-exit-code 3010
wait-process velmora.exe 1000
expect-file-contains '$E2E_WORK_WIN\kept.log' "Running Program: $dest\velmora.exe\r\nRunning Program Kept, its files wait for the restart: $dest\velmora.exe\r\n"
end-process velmora.exe
WIZ

# /forcerestart restarts, the program again in use. The end of the session
# ends this driver: its status says nothing, its transcript that the session
# ended.
printf '@"%s" /quiet /forcerestart "/log=%s\\forced.log"\r\n@echo exit code %%ERRORLEVEL%% >"%s\\forced.code"\r\n' \
  "$newer" "$E2E_WORK_WIN" "$E2E_WORK_WIN" >"$E2E_WORK/forced.cmd"
e2e_drive forced_restart <<WIZ || true
hold-file '$dest\velmora.exe'
start 'C:\windows\system32\cmd.exe' /c '$E2E_WORK_WIN\forced.cmd'
wait-end-session 30000
sleep 30000
WIZ
grep -q '^session: the session ends' "$E2E_WORK/forced_restart.out" || { echo "no restart was requested" >&2; exit 1; }
for _ in $(seq 120); do [ -s "$E2E_WORK/forced.code" ] && break; sleep 1; done
grep -qx 'exit code 1641 *' <(tr -d '\r' <"$E2E_WORK/forced.code" 2>/dev/null) ||
  { echo "the forced restart did not end with 1641: $(cat "$E2E_WORK/forced.code" 2>/dev/null)" >&2; exit 1; }
tr -d '\r' <"$E2E_WORK/forced.log" | tail -n 2 | diff - <(printf 'Restart System\nExit code: 1641\n') ||
  { echo "the log copy does not end with the restart and 1641" >&2; exit 1; }
echo "The forced restart ended with 1641 and ended every process of the prefix with a window, the driver too."
