# Sourced by the benchmarks that run under Wine, after they set root and
# build: a work folder build/bench/NAME with a pristine prefix and the
# prefix the runs use (both made by the benchmark with prefix.sh), a private
# display, and an exit that stops the prefix's server and the display.
#   bench_begin NAME    sets work, pristine, prefix, prefix_tool
#   bench_nsis FILES_DIR OUT_DIR [PAYLOAD]
#                       OUT_DIR/velmora-nsis.exe: an NSIS installer of the
#                       demo files (and PAYLOAD into Program Files\Velmora)
source "$root/tests/wine/env.sh"
source "$root/tools/xvfb.sh"

bench_begin() {
  prefix_tool=$root/tests/wine/prefix.sh
  work=$build/bench/$1
  pristine=$work/pristine
  prefix=$work/prefix
  mkdir -p "$work"
  trap bench_end EXIT
  start_xvfb
}

bench_end() {
  "$prefix_tool" stop "$prefix" || true
  stop_xvfb
}

bench_nsis() {
  local files=$1 out=$2 payload=${3:-}
  cp "$files"/* "$out/"
  cat >"$out/velmora.nsi" <<'NSI'
Name "Velmora"
OutFile "velmora-nsis.exe"
RequestExecutionLevel admin
SetCompressor zlib
InstallDir "$PROGRAMFILES\Velmora"
LicenseData "license.rtf"
Page license
Page directory
Page instfiles
Section "Velmora"
  SetOutPath "$SYSDIR\drivers"
  File "velctl.sys"
  File "velmon.sys"
  SetOutPath "$INSTDIR"
  File "velmora.exe"
  File "velmorastub32.exe"
  File "license.txt"
  File "readme.txt"
  File "uninstall.exe"
  File "velmora.chm"
  !ifdef PAYLOAD
  File "${PAYLOAD}"
  !endif
SectionEnd
NSI
  (cd "$out" && makensis -V1 ${payload:+"-DPAYLOAD=$payload"} velmora.nsi)
}
