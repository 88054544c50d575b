#!/usr/bin/env bash
# long_path_run.sh PREFIX PACKED_EXE DECOY_EXE WORK_DIR
# Runs a copy of the packed self-open test from a Windows path longer than
# the 260-character buffer the store reads its own path into, with a decoy
# setup at the path that buffer cuts it to.
set -euo pipefail
prefix=${1:?prefix} packed=${2:?packed program} decoy=${3:?decoy program} work=${4:?work folder}
source "$(dirname "$0")/../wine/env.sh"
export WINEPREFIX="$prefix"

rm -rf "$work"
dir=$work
# Folder names of at most 100 characters until the name that remains fits
# the 255 characters a Linux file name may have.
while :; do
  dos_length=$(( 2 + ${#dir} ))  # "Z:" and the path
  name_length=$(( 280 - dos_length - 1 ))
  (( name_length <= 200 )) && break
  dir="$dir/$(printf 'd%.0s' $(seq 1 100))"
done
mkdir -p "$dir"
(( name_length >= 20 )) || { echo "the work folder's path is too long" >&2; exit 1; }
program_name="$(printf 'v%.0s' $(seq 1 $(( name_length - 4 )))).exe"
cut_name_length=$(( 259 - dos_length - 1 ))
decoy_name="$(printf 'v%.0s' $(seq 1 "$cut_name_length"))"
cp "$packed" "$dir/$program_name"
cp "$decoy" "$dir/$decoy_name"
status=0
wine "$dir/$program_name" --gtest_filter='OpenOwnExecutable.LongPath*' || status=$?
rm -rf "$work"
exit "$status"
