#!/usr/bin/env bash
# The main command: builds everything, makes velmora-setup.exe (setup.exe with
# the demo product's package appended by setuppack) and runs it under Wine in
# a throwaway prefix, build/run/prefix, never your own: a 64-bit Windows, as
# users have, or with --win32 a 32-bit one.
#
# With a usable display the wizard opens for you to click through. Without
# one (over SSH, in CI) it walks the wizard itself on a private virtual X
# server, saves a picture of every page into build/run/pictures, and reports
# what was installed where. Either way it ends by stopping the prefix's Wine
# processes and any X server it started, and prints the setup's path.
#
# VELMORA_BUILD overrides the build folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMORA_BUILD:-$root/build}
export VELMORA_BUILD=$build

arch=win64
case ${1:-} in
  '') ;;
  --win32) arch=win32 ;;
  --win64) arch=win64 ;;
  -h | --help)
    echo "usage: tools/run.sh [--win32 | --win64]   (default: --win64, a 64-bit Windows)"
    exit 0 ;;
  *) echo "run.sh: unknown option $1 (try --help)" >&2; exit 2 ;;
esac

"$root/tools/bootstrap.sh"
"$root/tools/build.sh"

setup=$build/win/velmora-setup.exe
driver=$build/win/tests/e2e/driver/wizard_driver.exe
# The test run's pristine prefixes: each is made once and kept.
pristine=$build/win/wine/pristine
[ "$arch" = win64 ] && pristine=$build/win/wine/pristine64
run=$build/run
prefix=$run/prefix
pictures=$run/pictures
[ -f "$setup" ] || { echo "run.sh: $setup was not built" >&2; exit 1; }

source "$root/tests/wine/env.sh"
source "$root/tools/product_facts.sh"
echo "A fresh $arch Wine prefix in $prefix (the first one of each kind takes a minute to make)."
"$root/tests/wine/prefix.sh" pristine "$pristine" "$arch"
"$root/tests/wine/prefix.sh" fresh "$pristine" "$prefix"
use_wine_prefix "$prefix"
# The setup is a 32-bit program: on 64-bit Windows its registry entries lie
# in the 32-bit view of HKLM\Software, its log in syswow64.
reg_view=()
system32_of_setup=system32
if [ "$arch" = win64 ]; then
  reg_view=(/reg:32)
  system32_of_setup=syswow64
fi

source "$root/tools/xvfb.sh"
finish() {
  WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX=$prefix wineserver -w >/dev/null 2>&1 || true
  stop_xvfb
}
trap finish EXIT

winpath() {
  local path
  path=$(readlink -f "$1")
  echo "Z:${path//\//\\}"
}

# The product as installed, read from the prefix: where, and what.
report() {
  local dest uninstall=$VELMORA_UNINSTALL_KEY
  dest=$(wine reg query "$uninstall" /v InstallLocation "${reg_view[@]}" 2>/dev/null | tr -d '\r' |
         sed -n 's/^ *InstallLocation *REG_SZ *//p')
  local log=$prefix/drive_c/windows/$system32_of_setup/velmora-install.log
  if [ -z "$dest" ]; then
    echo "Velmora is not installed (the wizard was cancelled or the installation failed)."
    [ -f "$log" ] && echo "The installation log: C:\\windows\\$system32_of_setup\\velmora-install.log (on this machine: $log)"
    return 0
  fi
  local host_dest menu
  host_dest=$(readlink -f "$(wine winepath -u "$dest" 2>/dev/null | tr -d '\r')")
  menu=$(wine reg query "$uninstall" /v StartMenuLocation "${reg_view[@]}" 2>/dev/null | tr -d '\r' |
         sed -n 's/^ *StartMenuLocation *REG_SZ *//p')
  echo "Velmora was installed into $dest"
  echo "  (on this machine: $host_dest)"
  echo "Program files:"
  find "$host_dest" -maxdepth 1 -type f -printf '  %f (%s bytes)\n' | sort
  # The drivers where the system's kernel loads them from: on 64-bit
  # Windows the native system32, which a 32-bit program sees only as Sysnative.
  echo "Drivers, as the $([ "$arch" = win64 ] && echo 64-bit || echo 32-bit) system sees them:"
  local file
  for file in "$prefix/drive_c/windows/system32/drivers/"*; do
    case ${file##*/} in vel* | Vel* | VEL*) ;; *) continue ;; esac
    echo "  C:\\windows\\system32\\drivers\\${file##*/} ($(machine_of "$file"), $(stat -c %s "$file") bytes)"
  done
  if [ "$arch" = win64 ]; then
    local strays
    strays=$(ls "$prefix/drive_c/windows/syswow64/drivers/" 2>/dev/null | grep -i '^vel' | paste -sd' ' || true)
    if [ -z "$strays" ]; then
      echo "  none in C:\\windows\\syswow64\\drivers, where a 64-bit kernel never looks"
    else
      echo "  but also in C:\\windows\\syswow64\\drivers, where a 64-bit kernel never looks: $strays"
    fi
  fi
  echo "Driver services:"
  local service state
  for service in velctl velmon; do
    state=$(wine sc query "$service" 2>/dev/null | tr -d '\r' | sed -n 's/^ *STATE *: *[0-9]* *\([A-Z_]*\).*/\1/p')
    wine reg query "HKLM\\System\\CurrentControlSet\\Services\\$service" 2>/dev/null | tr -d '\r' |
      sed -n 's/^ *\(DisplayName\|Start\|ImagePath\) *REG_[A-Z_]* *\(.*\)$/\1=\2/p' | paste -sd' ' |
      sed "s/^/  $service: ${state:-not running} /"
  done
  echo "Start Menu folder \"$menu\":"
  ls "$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/$menu" | sed 's/^/  /'
  echo "Desktop icon:"
  ls "$prefix/drive_c/users/Public/Desktop/" 2>/dev/null | grep -i velmora | sed 's/^/  /' || echo "  none"
  echo "Registry$([ "$arch" = win64 ] && echo " (32-bit view: HKLM\\Software\\Wow6432Node)"):"
  wine reg query "$uninstall" "${reg_view[@]}" 2>/dev/null | tr -d '\r' |
    sed -n 's/^ *\([A-Za-z]*\) *REG_SZ *\(.*\)$/  Uninstall: \1=\2/p'
  wine reg query 'HKCR\.tms' /ve "${reg_view[@]}" 2>/dev/null | tr -d '\r' |
    sed -n 's/^ *(Default) *REG_SZ *\(.*\)$/  .tms -> \1/p'
}

# "x86-64 kernel driver" and the like, from a PE image's headers.
machine_of() {
  local offset machine subsystem
  offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  machine=$(od -An -tx2 -j"$offset" -N6 "$1" | awk '{print $3}')
  subsystem=$(od -An -tu2 -j$((offset + 92)) -N2 "$1" | tr -d ' ')
  case $machine in
    8664) machine=x86-64 ;;
    014c) machine=x86 ;;
    *) machine="machine $machine" ;;
  esac
  [ "$subsystem" = 1 ] && machine="$machine kernel driver"
  echo "$machine"
}

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "Opening the wizard on $DISPLAY ($arch Wine prefix $prefix)."
  # The test prefixes leave windows unmanaged (Xvfb has no window manager);
  # on a real display the window manager should frame them.
  wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1 || true
  wine "$setup" >/dev/null 2>&1 || true
  # The product, when launched at the end, runs until its window is closed.
  echo "The wizard has ended; waiting for the programs it started (close Velmora's window)."
  WINEPREFIX=$prefix wineserver -w
  report
else
  unset DISPLAY
  start_xvfb
  echo "No usable display: walking the wizard on a virtual X server ($DISPLAY), $arch Wine prefix $prefix."
  # Every window opens in one virtual desktop, so the pages get their frames.
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d velmora /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v velmora /d 1024x768 /f >/dev/null 2>&1
  WINEPREFIX=$prefix wineserver -k
  WINEPREFIX=$prefix wineserver -w
  rm -rf "$pictures"
  mkdir -p "$pictures"
  shots=$(winpath "$pictures")
  script=$run/walk.wiz
  cat >"$script" <<WIZ
start '$(winpath "$setup")'
wait-page welcome
wait-enabled 1
screenshot '$shots\01-welcome.bmp'
click 1
wait-page license
click 1008
screenshot '$shots\02-license.bmp'
click 1
wait-page destination
screenshot '$shots\03-destination.bmp'
click 1
wait-page startmenu
screenshot '$shots\04-start-menu.bmp'
click 1
wait-page tasks
screenshot '$shots\05-tasks.bmp'
click 1
wait-page ready
screenshot '$shots\06-ready.bmp'
click 1
wait-page progress
screenshot '$shots\07-progress.bmp'
wait-page finish 90000
screenshot '$shots\08-finish.bmp'
click 1030
click 1033
click 2
wait-exit
WIZ
  # To a file, not a pipe: programs the setup starts would inherit a pipe.
  if ! (cd "$run" && wine "$driver" "$(winpath "$script")" </dev/null >"$run/walk.out" 2>/dev/null); then
    cat "$run/walk.out"
    echo "run.sh: the walk through the wizard failed" >&2
    exit 1
  fi
  report_text=$(report)
  # One page once more at 150 % display scale (144 DPI, kept in the
  # registry as LogPixels): the setup draws it sharp for that scale.
  WINEPREFIX=$prefix wineserver -k
  WINEPREFIX=$prefix wineserver -w
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
  WINEPREFIX=$prefix wineserver -k
  WINEPREFIX=$prefix wineserver -w
  cat >"$run/walk-144.wiz" <<WIZ
start '$(winpath "$setup")'
wait-page welcome
wait-enabled 1
screenshot '$shots\09-welcome-144dpi.bmp'
click 2
answer-box yes "Are you sure you want to cancel Velmora installation?" "velmora-setup"
wait-exit
WIZ
  if ! (cd "$run" && wine "$driver" "$(winpath "$run/walk-144.wiz")" </dev/null >"$run/walk-144.out" 2>/dev/null); then
    cat "$run/walk-144.out"
    echo "run.sh: the welcome page at 144 DPI failed" >&2
    exit 1
  fi
  # The welcome and ready pages in each other language, at 100 % again.
  WINEPREFIX=$prefix wineserver -k
  WINEPREFIX=$prefix wineserver -w
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
  WINEPREFIX=$prefix wineserver -k
  WINEPREFIX=$prefix wineserver -w
  for language in de fr es ru ja zh-CN ar; do
    cat >"$run/walk-$language.wiz" <<WIZ
start '$(winpath "$setup")' /lang=$language
wait-page welcome
wait-enabled 1
screenshot '$shots\10-welcome-$language.bmp'
click 1
wait-page license
click 1008
click 1
wait-page destination
click 1
wait-page startmenu
click 1
wait-page tasks
click 1
wait-page ready
screenshot '$shots\11-ready-$language.bmp'
end-process velmora-setup.exe
WIZ
    if ! (cd "$run" && wine "$driver" "$(winpath "$run/walk-$language.wiz")" </dev/null >"$run/walk-$language.out" 2>/dev/null); then
      cat "$run/walk-$language.out"
      echo "run.sh: the pages in $language failed" >&2
      exit 1
    fi
  done
  for bmp in "$pictures"/*.bmp; do convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"; done
  echo "$report_text"
  echo "Pictures of every page: $pictures"
  ls "$pictures" | sed 's/^/  /'
fi
echo "The setup: $setup"
