#!/usr/bin/env bash
# A user installs Velmora with every default: reads the welcome page while the
# package unpacks, accepts the license, keeps the folders and icons, installs,
# and leaves both boxes of the finish page checked. The product starts, the
# quick-start page is requested, everything is installed and the log is gone;
# the drivers are where the system's kernel loads them from.
source "$(dirname "$0")/lib.sh"
e2e_begin happy_path
e2e_demo_files

# A large extra entry (nothing looks it up) keeps the unpacking busy long
# enough to see the welcome page before it is ready.
head -c 64M /dev/urandom >"$E2E_WORK/filler.bin"
e2e_pack "$E2E_WORK/velmora-setup.exe" "${E2E_DEMO_FILES[@]}" "$E2E_WORK/filler.bin"
mkdir -p "$E2E_WORK/pictures"
shots=$E2E_WORK_WIN\\pictures
dest=$T_DEFAULT_DEST
programs='%VELMORA_COMMON_PROGRAMS%\Velmora'
demo() { winpath "$(dirname "${E2E_DEMO_FILES[0]}")/$1"; }
# Written out, not taken from the product's header: the key Windows lists the
# product under.
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\{3F0C2D71-9B4E-4A86-8D15-6E2B7C40A9D3}'

e2e_drive happy_path <<WIZ
$(e2e_open_recorder_commands)
make-dir '%VELMORA_QUICK_LAUNCH%'
start '$(winpath "$E2E_WORK/velmora-setup.exe")'

# Welcome: all buttons disabled while the package unpacks, then Next.
wait-page welcome 30000 early
expect-title "$T_TITLE"
expect-text 1001 "$T_WELCOME_TITLE"
expect-text 1002 "$T_WELCOME_WAIT"
expect-disabled 1
expect-disabled 2
expect-disabled 1000
wait-enabled 1
expect-text 1002 "$T_WELCOME_READY"
wait-enabled 2
expect-disabled 1000
screenshot '$shots\welcome.bmp'

# License: declined by default, Next disabled until accepted.
$(wiz_next license)
expect-title "$T_TITLE"
expect-text 1011 "License Agreement"
expect-text 1010 "Please read the following important information before continuing!"
expect-not-empty 1007
expect-text 1008 "I accept the agreement"
expect-text 1009 "I do not accept the agreement"
expect-unchecked 1008
expect-checked 1009
expect-disabled 1
expect-enabled 1000
click 1008
expect-checked 1008
expect-unchecked 1009
expect-enabled 1
screenshot '$shots\license.bmp'

# Destination: Program Files and Velmora.
$(wiz_next destination)
expect-title "$T_TITLE"
expect-text 1017 "Select Destination Location"
expect-text 1018 "Where should Velmora be installed?"
expect-text 1015 '$dest'
expect-text 1016 "Browse"
screenshot '$shots\destination.bmp'

$(wiz_next startmenu)
expect-text 1019 "Select Start Menu Folder"
expect-text 1018 "Where should Setup place the program shortcuts?"
expect-text 1015 "Velmora"
screenshot '$shots\start-menu.bmp'

$(wiz_next tasks)
expect-text 1020 "Select Additional Tasks"
expect-text 1021 "Which additional tasks should be performed?"
expect-text 1022 "Create a desktop icon"
expect-text 1023 "Create a Quick Launch icon"
expect-checked 1022
expect-checked 1023
screenshot '$shots\tasks.bmp'

$(wiz_next ready)
expect-text 1024 "Ready to Install"
expect-text 1025 "Now Setup is ready to begin Velmora installation on your computer"
expect-text 1 "Install"
expect-text 1026 "Destination location:\r\n      $dest\r\n\r\nStart Menu folder:\r\n      Velmora\r\n\r\nAdditional Task:\r\n      Additionals Icons:\r\n            Create a desktop icon\r\n            Create a Quick Launch icon"
screenshot '$shots\ready.bmp'

# Progress: no control for the user; the page ends by itself.
$(wiz_next progress)
record-texts 1027
screenshot '$shots\progress.bmp'
expect-title "$T_TITLE"
expect-text 1028 "Install"
expect-hidden 1
expect-disabled 2
wait-page finish 60000
expect-recorded "Copying files is in progress..." "Installing kernel mode drivers..." "Starting drivers..." "Create start menu items..." "Finish installation..."

# Finish: both boxes checked.
expect-title "$T_TITLE"
expect-text 1001 "$T_SUCCESS_TITLE"
expect-text 1002 "Setup finished Velmora installation on your computer.\nClick Finish to exit "
expect-text 1032 "Launch Velmora now."
expect-text 1034 "Open \"Quick start\" page."
expect-visible 1030
expect-visible 1033
expect-checked 1030
expect-checked 1033
expect-text 2 "Finish"
screenshot '$shots\finish.bmp'
click 2
wait-exit
expect-exit-code 0

# The product runs and the quick-start page was asked for.
wait-window-class VelmoraMainWindow
wait-file-contains '$E2E_OPENED_WIN' "/velmora-usage.html"
end-process velmora.exe

# Everything in place, the log gone.
expect-no-file '$T_LOG'
$(for f in "${T_PROGRAM_FILES[@]}"; do echo "expect-same-file '$dest\\$f' '$(demo "$f")'"; done)
expect-match-count '$dest\*' 6
expect-same-file '$T_NATIVE_DRIVERS\velctl.sys' '$(demo "${T_DRIVER_ENTRIES[0]}")'
expect-same-file '$T_NATIVE_DRIVERS\velmon.sys' '$(demo "${T_DRIVER_ENTRIES[1]}")'
expect-match-count '$T_NATIVE_DRIVERS\*.tmp' 0
expect-service-config velctl 2 "Velmora Control Driver" '%VELMORA_SYSTEM%\Drivers\velctl.sys'
expect-service-config velmon 3 "Velmora Monitor Driver" '%VELMORA_SYSTEM%\Drivers\velmon.sys'
expect-service velctl running
expect-service velmon stopped
expect-shortcut '$programs\Velmora.lnk' '$dest\velmora.exe' '$dest'
expect-shortcut '$programs\Velmora Help.lnk' '$dest\velmora.chm' '$dest'
expect-shortcut '$programs\Velmora License.lnk' '$dest\license.txt' '$dest'
expect-shortcut '$programs\Velmora Uninstall Wizard.lnk' '$dest\uninstall.exe' '$dest'
expect-file-contains '$programs\Velmora on Web.url' "[InternetShortcut]\r\nURL=http"
expect-file-contains '$programs\Velmora on Web.url' "/velmora.html"
expect-match-count '$programs\*' 5
expect-shortcut '%VELMORA_COMMON_DESKTOP%\Velmora.lnk' '$dest\velmora.exe' '$dest'
expect-shortcut '%VELMORA_QUICK_LAUNCH%\Velmora.lnk' '$dest\velmora.exe' '$dest'
expect-reg '$uninstall_key' InstallLocation '$dest'
# Both command lines hold the path in quotes, as Windows needs for blanks.
expect-reg '$uninstall_key' UninstallString '"$dest\uninstall.exe"'
expect-reg '$uninstall_key' StartMenuLocation "Velmora"
expect-reg '$uninstall_key' DisplayName "Velmora"
expect-reg 'HKCR\.tms' '' "Brenthaven.Velmora"
expect-reg 'HKCR\Brenthaven.Velmora\DefaultIcon' '' '$dest\velmora.exe,44'
expect-reg 'HKCR\Brenthaven.Velmora\shell' '' "open"
expect-reg 'HKCR\Brenthaven.Velmora\shell\open\command' '' '"$dest\velmora.exe" -open "%1"'
WIZ
e2e_pictures_to_png "$E2E_WORK/pictures"
e2e_expect_loadable_drivers "$(dirname "${E2E_DEMO_FILES[0]}")"

# The success title is not red.
red=$(convert "$E2E_WORK/pictures/finish.png" txt:- | grep -ci '#FF0000' || true)
[ "$red" -eq 0 ] || { echo "the success finish page shows red" >&2; exit 1; }
