# Sourced by every end-to-end scenario. Gives each scenario a fresh Wine
# prefix of its own (a copy of the pristine one, 32-bit or 64-bit), a private
# X display and a work folder, runs the wizard driver in a virtual desktop,
# and always ends the prefix's processes and the display at exit.
#
# Environment (set by CTest, see cmake/WineTests.cmake):
#   VELMORA_BUILD_DIR       the Windows build folder
#   VELMORA_SOURCE_DIR      the source tree
#   VELMORA_WINE_PRISTINE   the pristine prefix to copy
#   VELMORA_WINE_ARCH       its architecture: win32 (default) or win64
#   VELMORA_WINE_SCENARIOS  the folder for the scenario's prefix
#   VELMORA_PREFIX_TOOL     tests/wine/prefix.sh
# Set by the scenario's CMake registration:
#   VELMORA_SETUP           the finished velmora-setup.exe
#   VELMORA_BARE_SETUP      setup.exe without a package
#   VELMORA_DRIVER          wizard_driver.exe
#   VELMORA_SETUPPACK       the native package tool
#   VELMORA_DEMO_FILES      the eleven demo files, ','-separated, package order
# Set for a scenario run on a signed build:
#   VELMORA_E2E_VARIANT     suffix of the scenario's prefix and work folder
#   VELMORA_SIGN_SCRIPT     the build's signing script: e2e_pack signs with it
set -euo pipefail

: "${VELMORA_BUILD_DIR:?}" "${VELMORA_SOURCE_DIR:?}" "${VELMORA_WINE_PRISTINE:?}"
: "${VELMORA_SETUP:?}" "${VELMORA_BARE_SETUP:?}" "${VELMORA_DRIVER:?}" "${VELMORA_SETUPPACK:?}"
VELMORA_PREFIX_TOOL=${VELMORA_PREFIX_TOOL:-$VELMORA_SOURCE_DIR/tests/wine/prefix.sh}

source "$VELMORA_SOURCE_DIR/tests/wine/env.sh"
source "$VELMORA_SOURCE_DIR/tools/product_facts.sh"
E2E_ARCH=${VELMORA_WINE_ARCH:-win32}

# The desktop size of the wizard's virtual desktop.
E2E_DESKTOP_SIZE=${E2E_DESKTOP_SIZE:-1024x768}

# Windows path of a host path (Wine maps / to drive Z:).
winpath() {
  local path
  path=$(readlink -f "$1")
  echo "Z:${path//\//\\}"
}

# e2e_begin NAME: fresh prefix, work folder, private display, cleanup trap.
e2e_begin() {
  E2E_NAME=$1${VELMORA_E2E_VARIANT:+-$VELMORA_E2E_VARIANT}
  E2E_PREFIX=${VELMORA_WINE_SCENARIOS:-$VELMORA_BUILD_DIR/wine/scenarios}/e2e-$E2E_NAME
  E2E_WORK=$VELMORA_BUILD_DIR/e2e/$E2E_NAME
  [ "$E2E_ARCH" = win32 ] || E2E_WORK=$E2E_WORK.$E2E_ARCH
  export WINEPREFIX=$E2E_PREFIX
  trap e2e_end EXIT
  trap 'exit 143' TERM INT
  rm -rf "$E2E_WORK"
  mkdir -p "$E2E_WORK"
  "$VELMORA_PREFIX_TOOL" pristine "$VELMORA_WINE_PRISTINE" "$E2E_ARCH"
  "$VELMORA_PREFIX_TOOL" fresh "$VELMORA_WINE_PRISTINE" "$E2E_PREFIX"
  use_wine_prefix "$E2E_PREFIX"
  e2e_use_virtual_desktop "$E2E_PREFIX"
  # shellcheck source=/dev/null
  source "$VELMORA_SOURCE_DIR/tools/xvfb.sh"
  start_xvfb
  E2E_WORK_WIN=$(winpath "$E2E_WORK")
  # Wine's ShellExecute takes a handler's command of at most 256 characters:
  # the recorder of what the setup opens and its record lie at short paths
  # in the prefix, however long the build folder's path is.
  mkdir -p "$E2E_PREFIX/drive_c/e2e"
  cp "$VELMORA_DRIVER" "$E2E_PREFIX/drive_c/e2e/recorder.exe"
  E2E_OPENED_WIN='C:\e2e\opened.txt'
  echo "scenario $E2E_NAME: $E2E_ARCH prefix $E2E_PREFIX, display $DISPLAY, work folder $E2E_WORK"
}

e2e_end() {
  local status=$?
  trap - EXIT
  WINEPREFIX=$E2E_PREFIX wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX=$E2E_PREFIX wineserver -w >/dev/null 2>&1 || true
  stop_xvfb 2>/dev/null || true
  if [ $status -eq 0 ]; then
    # A passed scenario's prefix and packed setups are of no further use;
    # each prefix is a full copy of the pristine one.
    rm -rf "$E2E_PREFIX" "$E2E_WORK"/*.exe "$E2E_WORK"/filler.bin "$E2E_WORK"/newer
    echo "scenario $E2E_NAME: passed"
  else
    echo "scenario $E2E_NAME: FAILED (transcripts in $E2E_WORK)"
  fi
  exit $status
}

# Every window of the prefix opens inside one virtual desktop, so that the
# pages get their frames without a window manager. Written into the prefix's
# user registry before its server starts.
e2e_use_virtual_desktop() {
  cat >>"$1/user.reg" <<REG

[Software\\\\Wine\\\\Explorer] 1700000000
"Desktop"="velmora"

[Software\\\\Wine\\\\Explorer\\\\Desktops] 1700000000
"velmora"="$E2E_DESKTOP_SIZE"
REG
}

# e2e_drive NAME: runs the driver script read from standard input; its
# transcript goes to the work folder and to standard output. The driver's
# output goes to a file, not a pipe: the programs the setup starts inherit
# it and may outlive the driver.
e2e_drive() {
  local name=$1 status=0
  cat >"$E2E_WORK/$name.wiz"
  (cd "$E2E_WORK" && wine "$VELMORA_DRIVER" "$name.wiz" </dev/null >"$E2E_WORK/$name.raw" 2>"$E2E_WORK/$name.stderr") ||
    status=$?
  sed 's/\r$//' "$E2E_WORK/$name.raw" >"$E2E_WORK/$name.out"
  cat "$E2E_WORK/$name.out"
  if ! grep -q '^PASS:' "$E2E_WORK/$name.out"; then
    echo "driver script $name failed" >&2
    return 1
  fi
  return $status
}

# Registers the driver as the handler that records what the setup opens: web
# pages (http) and log files (.log). Driver commands, for a script's preamble.
e2e_open_recorder_commands() {
  local handler="\"C:\\e2e\\recorder.exe\" record-open \"$E2E_OPENED_WIN\" \"%1\""
  cat <<WIZ
reg-set 'HKCR\http\shell\open\command' '' '$handler'
reg-set 'HKCR\.log' '' 'velmora.e2e.logfile'
reg-set 'HKCR\velmora.e2e.logfile\shell\open\command' '' '$handler'
WIZ
}

# e2e_pack OUT FILE...: a setup carrying exactly these files.
e2e_pack() {
  local out=$1
  shift
  "$VELMORA_SETUPPACK" build -o "$out" --setup "$VELMORA_BARE_SETUP" "$@" >/dev/null
  if [ -n "${VELMORA_SIGN_SCRIPT:-}" ]; then
    cmake -DFILE="$out" -P "$VELMORA_SIGN_SCRIPT"
  fi
}

# The demo files as an array, in package order.
e2e_demo_files() {
  IFS=',' read -r -a E2E_DEMO_FILES <<<"$VELMORA_DEMO_FILES"
}

# Host path of a Windows path inside the prefix's drive C.
e2e_drive_c() {
  local path=${1#C:\\}
  echo "$E2E_PREFIX/drive_c/${path//\\//}"
}

# The wizard's texts, as driver words (the driver reads \n, \r, \" escapes).
T_TITLE='Setup - Velmora'
T_WELCOME_TITLE='Welcome to the Velmora \nVersion 1.7 Setup Wizard'
T_WELCOME_WAIT='Please wait while Setup Wizard complete initialization!'
T_WELCOME_READY='The Setup Wizard will allow you to install Velmora Version 1.7 on your computer. Click Next to continue or Cancel to exit the Setup Wizard.'
T_CANCEL_QUESTION='Are you sure you want to cancel Velmora installation?'
T_DAMAGED='Installation package is damaged'
T_SUCCESS_TITLE='Completing Velmora\n Setup Wizard.'
T_FAILURE_TITLE='Setup Wizard did not complete the  installation\n Velmora on your computer.'
T_UNINSTALL_KEY=$VELMORA_UNINSTALL_KEY
T_LOG='%VELMORA_SYSTEM%\velmora-install.log'
T_DEFAULT_DEST='%VELMORA_PROGRAM_FILES%\Velmora'
T_PROGRAM_FILES=(velmora.exe velmorastub32.exe license.txt readme.txt uninstall.exe velmora.chm)
# The Drivers folder the system's kernel loads from, as the (32-bit) driver
# reaches it, and the package entries installed there as velctl.sys and
# velmon.sys. The services name it '%VELMORA_SYSTEM%\Drivers' either way.
if [ "$E2E_ARCH" = win64 ]; then
  T_NATIVE_DRIVERS='C:\windows\Sysnative\drivers'
  T_DRIVER_ENTRIES=(velctl64.sys velmon64.sys)
else
  T_NATIVE_DRIVERS='%VELMORA_SYSTEM%\drivers'
  T_DRIVER_ENTRIES=(velctl.sys velmon.sys)
fi

# Driver commands: start the setup and wait until its welcome page is ready.
wiz_start() {
  cat <<WIZ
start '$(winpath "$1")'
wait-page welcome
wait-enabled 1
expect-text 1002 "$T_WELCOME_READY"
wait-enabled 2
WIZ
}

# Driver commands: press Next (or the button given) and wait for a page.
wiz_next() {
  local page=$1 button=${2:-1}
  printf 'click %s\nwait-page %s\n' "$button" "$page"
}

# Driver commands: from the ready welcome page on to the given page, keeping
# the defaults (the license accepted).
wiz_defaults_to() {
  local target=$1 page
  for page in license destination startmenu tasks ready; do
    wiz_next "$page"
    [ "$page" = license ] && echo "click 1008"
    [ "$page" = "$target" ] && return 0
  done
}

# Driver commands: on the success finish page, clear both boxes (launch the
# product, open the quick-start page) and press Finish; the setup ends.
wiz_finish_without_launching() {
  cat <<WIZ
click 1030
click 1033
expect-unchecked 1030
expect-unchecked 1033
click 2
wait-exit
WIZ
}

# Driver commands: nothing of an installation is on the machine.
wiz_expect_nothing_installed() {
  local dest=${1:-$T_DEFAULT_DEST}
  cat <<WIZ
expect-no-file '$dest'
expect-no-file '%VELMORA_SYSTEM%\drivers\velctl.sys'
expect-no-file '%VELMORA_SYSTEM%\drivers\velmon.sys'
expect-no-file '$T_NATIVE_DRIVERS\velctl.sys'
expect-no-file '$T_NATIVE_DRIVERS\velmon.sys'
expect-service velctl absent
expect-service velmon absent
expect-no-file '%VELMORA_COMMON_PROGRAMS%\Velmora'
expect-no-file '%VELMORA_COMMON_DESKTOP%\Velmora.lnk'
expect-no-file '%VELMORA_QUICK_LAUNCH%\Velmora.lnk'
expect-no-reg-key '$T_UNINSTALL_KEY'
expect-no-reg-key 'HKCR\.tms'
expect-no-reg-key 'HKCR\Brenthaven.Velmora'
WIZ
}

# Driver words: what Wine itself changes while programs run (display driver
# dates, its temporary settings, the console settings of the open recorder),
# for expect-unchanged.
wiz_wine_noise() {
  printf "%s " "'HKLM\System\CurrentControlSet\Control\Class\{4D36E968-E325-11CE-BFC1-08002BE10318}\0000\@DriverDateData'" \
    "'HKLM\System\CurrentControlSet\Control\Video\'" "'HKCU\Software\Wine\'" "'HKCU\Console'"
}

# Checks from the host what the system's kernel sees: both drivers in the
# prefix's native Drivers folder, built for its processor, the same as the
# package's entries for it (in DEMO_FOLDER), none of ours in syswow64\drivers.
e2e_expect_loadable_drivers() {
  python3 "$VELMORA_SOURCE_DIR/tests/sequences/native_view.py" --prefix "$E2E_PREFIX" --demo-files "$1"
}

# Checks from the host that neither Drivers folder holds a file of ours.
e2e_expect_no_drivers() {
  python3 "$VELMORA_SOURCE_DIR/tests/sequences/native_view.py" --prefix "$E2E_PREFIX" --none
}

# Driver words: the log file, for expect-unchanged. On 64-bit Windows the
# driver's snapshot lists it under syswow64 as well, where it really is.
wiz_log_words() {
  printf "'%s' " "$T_LOG"
  [ "$E2E_ARCH" = win32 ] || printf "'%s' " 'C:\windows\syswow64\velmora-install.log'
}

# Converts the driver's BMP pictures in a folder to PNG.
e2e_pictures_to_png() {
  local bmp
  for bmp in "$1"/*.bmp; do
    [ -f "$bmp" ] || continue
    convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
  done
}

# e2e_pack_newer: a newer build of the product, the same files but a
# different velmora.exe, in $E2E_WORK/newer, packed as
# $E2E_WORK/velmora-setup.exe.
e2e_pack_newer() {
  local file newer_files=()
  mkdir -p "$E2E_WORK/newer"
  for file in "${E2E_DEMO_FILES[@]}"; do
    cp "$file" "$E2E_WORK/newer/"
    newer_files+=("$E2E_WORK/newer/$(basename "$file")")
  done
  printf 'newer build of the e2e test\n' >>"$E2E_WORK/newer/velmora.exe"
  e2e_pack "$E2E_WORK/velmora-setup.exe" "${newer_files[@]}"
}

# Driver commands: the welcome page refuses the package with the box TEXT;
# Next stays disabled, Cancel (confirmed) ends the run.
wiz_refused_package() {
  cat <<WIZ
answer-box ok "$1" "Velmora"
wait-enabled 2
expect-disabled 1
expect-disabled 1000
expect-text 1002 "$T_WELCOME_WAIT"
expect-no-box 1000
expect-disabled 1
click 2
answer-box yes "$T_CANCEL_QUESTION" "velmora-setup"
wait-exit
WIZ
}
