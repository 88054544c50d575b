#!/usr/bin/env bash
# A setup whose package carries the drivers for 32-bit Windows only (the nine
# entries of a setup made before there were 64-bit drivers). On 64-bit
# Windows it refuses before it changes anything: the welcome page says why,
# Next stays disabled, Cancel ends the run, the log stays and names the
# missing entry, and nothing is installed, least of all a driver the 64-bit
# kernel could not load. On 32-bit Windows the same setup installs the
# product as it always did.
source "$(dirname "$0")/lib.sh"
e2e_begin no_64bit_drivers
e2e_demo_files

files=()
for file in "${E2E_DEMO_FILES[@]}"; do
  case ${file##*/} in
    velctl64.sys | velmon64.sys) ;;
    *) files+=("$file") ;;
  esac
done
[ ${#files[@]} -eq 9 ] || { echo "expected the nine files of a 32-bit setup, found ${#files[@]}" >&2; exit 1; }
setup=$E2E_WORK/velmora-setup.exe
e2e_pack "$setup" "${files[@]}"
mkdir -p "$E2E_WORK/pictures"
shots=$E2E_WORK_WIN\\pictures
demo() { winpath "$(dirname "${E2E_DEMO_FILES[0]}")/$1"; }
T_NO_64BIT_DRIVERS='This Setup Wizard does not contain the kernel mode drivers for Windows 64bit, so Velmora cannot work on this computer. Please download the latest version of Velmora from our web site!'

if [ "$E2E_ARCH" = win64 ]; then
  e2e_drive no_64bit_drivers <<WIZ
$(e2e_open_recorder_commands)
make-dir '%VELMORA_QUICK_LAUNCH%'
snapshot before
start '$(winpath "$setup")'
wait-page welcome
screenshot-box '$shots\\refusal.bmp'
$(wiz_refused_package "$T_NO_64BIT_DRIVERS")
expect-exit-code 1633
expect-file-contains '$T_LOG' 'Error: The package has no driver for 64-bit Windows: velctl64.sys'
expect-file-contains '$T_LOG' "Exit code: 1633\r\n"
# Unattended, the same refusal: nothing shown, the code deployment tools
# know as "this platform is not supported".
start '$(winpath "$setup")' /quiet '/log=$E2E_WORK_WIN\quiet.log'
expect-exit-code 1633
expect-file-contains '$E2E_WORK_WIN\quiet.log' 'Error: The package has no driver for 64-bit Windows: velctl64.sys'
expect-file-contains '$E2E_WORK_WIN\quiet.log' "Exit code: 1633\r\n"
expect-no-process velmora.exe
$(wiz_expect_nothing_installed)
expect-unchanged before $(wiz_log_words) 'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce' $(wiz_wine_noise)
WIZ
  e2e_pictures_to_png "$E2E_WORK/pictures"
  e2e_expect_no_drivers
else
  e2e_drive no_64bit_drivers <<WIZ
$(e2e_open_recorder_commands)
$(wiz_start "$setup")
$(wiz_defaults_to ready)
$(wiz_next progress)
wait-page finish 60000
expect-text 1001 "$T_SUCCESS_TITLE"
$(wiz_finish_without_launching)
expect-no-file '$T_LOG'
expect-same-file '$T_NATIVE_DRIVERS\\velctl.sys' '$(demo velctl.sys)'
expect-same-file '$T_NATIVE_DRIVERS\\velmon.sys' '$(demo velmon.sys)'
expect-service velctl running
WIZ
  e2e_expect_loadable_drivers "$(dirname "${E2E_DEMO_FILES[0]}")"
fi
