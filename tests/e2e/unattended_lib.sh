# Sourced by the scenarios of unattended runs after lib.sh: what an
# installation leaves, as driver commands, and the texts of the boxes a
# command line can bring up.

T_ALREADY_RUNNING='Another copy of Velmora Setup is already running.\nPlease wait until it has finished, then try again.'

# Driver commands: the product is installed into DEST with the Start Menu
# folder GROUP; DESKTOP and QUICK_LAUNCH (1 or 0) say which icons exist.
wiz_expect_installed() {
  local dest=$1 group=$2 desktop=$3 quick=$4
  local programs="%VELMORA_COMMON_PROGRAMS%\\$group" demo_dir f
  demo_dir=$(winpath "$(dirname "${E2E_DEMO_FILES[0]}")")
  for f in "${T_PROGRAM_FILES[@]}"; do echo "expect-same-file '$dest\\$f' '$demo_dir\\$f'"; done
  cat <<WIZ
expect-match-count '$dest\*' 6
expect-same-file '$T_NATIVE_DRIVERS\velctl.sys' '$demo_dir\\${T_DRIVER_ENTRIES[0]}'
expect-same-file '$T_NATIVE_DRIVERS\velmon.sys' '$demo_dir\\${T_DRIVER_ENTRIES[1]}'
expect-service-config velctl 2 "Velmora Control Driver" '%VELMORA_SYSTEM%\Drivers\velctl.sys'
expect-service-config velmon 3 "Velmora Monitor Driver" '%VELMORA_SYSTEM%\Drivers\velmon.sys'
expect-service velctl running
expect-shortcut '$programs\Velmora.lnk' '$dest\velmora.exe' '$dest'
expect-shortcut '$programs\Velmora Help.lnk' '$dest\velmora.chm' '$dest'
expect-shortcut '$programs\Velmora License.lnk' '$dest\license.txt' '$dest'
expect-shortcut '$programs\Velmora Uninstall Wizard.lnk' '$dest\uninstall.exe' '$dest'
expect-match-count '$programs\*' 5
expect-reg '$T_UNINSTALL_KEY' InstallLocation '$dest'
expect-reg '$T_UNINSTALL_KEY' StartMenuLocation '$group'
expect-reg 'HKCR\Brenthaven.Velmora\shell\open\command' '' '"$dest\velmora.exe" -open "%1"'
expect-no-process velmora.exe
WIZ
  if [ "$desktop" = 1 ]; then
    echo "expect-shortcut '%VELMORA_COMMON_DESKTOP%\\Velmora.lnk' '$dest\\velmora.exe' '$dest'"
  else
    echo "expect-no-file '%VELMORA_COMMON_DESKTOP%\\Velmora.lnk'"
  fi
  if [ "$quick" = 1 ]; then
    echo "expect-shortcut '%VELMORA_QUICK_LAUNCH%\\Velmora.lnk' '$dest\\velmora.exe' '$dest'"
  else
    echo "expect-no-file '%VELMORA_QUICK_LAUNCH%\\Velmora.lnk'"
  fi
}
