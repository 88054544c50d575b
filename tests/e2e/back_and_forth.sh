#!/usr/bin/env bash
# Back and forth through the wizard: the license acceptance is remembered,
# Back to the welcome page unpacks the package again, a typed folder is lost
# on Back and kept on Next, and with both icons unchecked the summary has no
# icon lines and the installation makes no desktop or Quick Launch shortcut.
source "$(dirname "$0")/lib.sh"
e2e_begin back_and_forth
e2e_demo_files

# A large extra entry makes the second unpacking long enough to watch: text
# (base64 of random bytes), which has to be inflated, takes longer to unpack
# than random bytes, which the package stores as they are.
head -c 48M /dev/urandom | base64 -w 76 >"$E2E_WORK/filler.txt"
e2e_pack "$E2E_WORK/velmora-setup.exe" "${E2E_DEMO_FILES[@]}" "$E2E_WORK/filler.txt"
dest='C:\Velmora Typed'

e2e_drive back_and_forth <<WIZ
$(e2e_open_recorder_commands)
make-dir '%VELMORA_QUICK_LAUNCH%'
$(wiz_start "$E2E_WORK/velmora-setup.exe")
$(wiz_next license)
click 1008
$(wiz_next destination)

# Back to the license: still accepted.
$(wiz_next license 1000)
expect-checked 1008
expect-unchecked 1009
expect-enabled 1

# Back to the welcome page: it unpacks again before Next is enabled.
click 1000
wait-page welcome 30000 early
expect-text 1002 "$T_WELCOME_WAIT"
expect-disabled 1
expect-disabled 2
expect-disabled 1000
wait-enabled 1
expect-text 1002 "$T_WELCOME_READY"
wait-enabled 2
expect-disabled 1000
$(wiz_next license)
expect-checked 1008
expect-enabled 1

# A folder typed, then Back: lost.
$(wiz_next destination)
set-text 1015 'C:\Lost Folder'
$(wiz_next license 1000)
$(wiz_next destination)
expect-text 1015 '$T_DEFAULT_DEST'

# A folder typed, then Next: kept exactly, Back shows it.
set-text 1015 '$dest'
$(wiz_next startmenu)
$(wiz_next destination 1000)
expect-text 1015 '$dest'
$(wiz_next startmenu)
set-text 1015 'Typed Lost'
$(wiz_next destination 1000)
$(wiz_next startmenu)
expect-text 1015 "Velmora"

# Both icons unchecked; Back and Next again keeps them so.
$(wiz_next tasks)
click 1022
click 1023
expect-unchecked 1022
expect-unchecked 1023
$(wiz_next startmenu 1000)
$(wiz_next tasks)
expect-unchecked 1022
expect-unchecked 1023
$(wiz_next ready)
expect-text 1026 "Destination location:\r\n      $dest\r\n\r\nStart Menu folder:\r\n      Velmora\r\n\r\n"

# Back to the tasks page and forward: the summary is built anew, the same.
$(wiz_next tasks 1000)
$(wiz_next ready)
expect-text 1026 "Destination location:\r\n      $dest\r\n\r\nStart Menu folder:\r\n      Velmora\r\n\r\n"

$(wiz_next progress)
wait-page finish 60000
$(wiz_finish_without_launching)
expect-exit-code 0

# Installed into the typed folder, without the two icons; nothing launched.
expect-no-file '$T_LOG'
$(for f in "${T_PROGRAM_FILES[@]}"; do echo "expect-file '$dest\\$f'"; done)
expect-no-file '$T_DEFAULT_DEST'
expect-shortcut '%VELMORA_COMMON_PROGRAMS%\Velmora\Velmora.lnk' '$dest\velmora.exe' '$dest'
expect-no-file '%VELMORA_COMMON_DESKTOP%\Velmora.lnk'
expect-no-file '%VELMORA_QUICK_LAUNCH%\Velmora.lnk'
expect-reg '$T_UNINSTALL_KEY' InstallLocation '$dest'
sleep 2000
expect-no-process velmora.exe
expect-no-file '$E2E_OPENED_WIN'
WIZ
