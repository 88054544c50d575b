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
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
