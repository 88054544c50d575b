#!/usr/bin/env bash
# Builds both sides: the native tools and tests (build/native) and the
# Windows setup, demo product and Windows tests (build/win).
# VELMORA_BUILD overrides the build folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMORA_BUILD:-$root/build}
jobs=${VELMORA_JOBS:-$(nproc)}

cmake -S "$root" -B "$build/native" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build/native" -j "$jobs"

cmake -S "$root" -B "$build/win" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw32.cmake" \
  -DVELMORA_SETUPPACK="$build/native/tools/setuppack/setuppack" >/dev/null
cmake --build "$build/win" -j "$jobs"
