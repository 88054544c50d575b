#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test the setup.
# Idempotent and silent: does nothing when every package is already present.
set -euo pipefail

packages=(
  g++-mingw-w64-i686-posix mingw-w64-i686-dev libz-mingw-w64-dev
  gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
  wine wine32:i386 wine64 xvfb xauth imagemagick
  osslsigncode openssl nsis python3-jsonschema python3-yaml
  cmake make g++ googletest zlib1g-dev
  clang libclang-rt-14-dev llvm
  xdotool x11-utils python3 ca-certificates
  python3-yaml python3-jsonschema
  fp-utils-3.2.2
  osslsigncode openssl
  fonts-ipafont-gothic fonts-wqy-microhei fonts-dejavu-core
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
# A mirror caught mid-sync can serve a stale index for one architecture
# (seen: the i386 security list): the amd64 candidates are then newer than
# any i386 build apt knows of, and wine32's libraries cannot match them. The
# release's own suite has both architectures at one version, so the second
# try prefers it; later tries wait for the sync to end.
for attempt in $(seq 1 10); do
  # An index that failed may not matter: the install decides.
  $sudo apt-get update -qq || true
  release=()
  [ "$attempt" -gt 1 ] && release=(-t "$(. /etc/os-release && echo "$VERSION_CODENAME")")
  if $sudo apt-get install -y -qq --no-install-recommends "${release[@]}" "${missing[@]}" >/dev/null; then
    exit 0
  fi
  echo "bootstrap: the package mirror did not serve everything (attempt $attempt)" >&2
  if [ "$attempt" -gt 1 ] && [ "$attempt" -lt 10 ]; then sleep 60; fi
done
echo "bootstrap: could not install: ${missing[*]}" >&2
exit 1
