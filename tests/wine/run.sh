#!/usr/bin/env bash
# CTest's emulator for Windows binaries: run.sh PREFIX PROGRAM [ARGS...]
# runs PROGRAM under Wine in the given throwaway prefix, under the
# architecture the prefix was made with.
set -euo pipefail
prefix=${1:?prefix}
shift
source "$(dirname "$0")/env.sh"
use_wine_prefix "$prefix"
exec wine "$@"
