#!/usr/bin/env bash
# Builds the package parser's fuzz target and the native tests with clang,
# AddressSanitizer and UBSan in <build>/fuzz; runs the native tests there
# (the bit-flip and truncation sweeps among them), then fuzzes the parser for
# VELMORA_FUZZ_SECONDS (60) from the committed seed corpus. Any sanitizer
# report, failed test or crash fails the run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMORA_BUILD:-$root/build}/fuzz
seconds=${VELMORA_FUZZ_SECONDS:-60}
jobs=${VELMORA_JOBS:-$(nproc)}

sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_C_FLAGS="$sanitizers" -DCMAKE_CXX_FLAGS="$sanitizers" \
  -DCMAKE_EXE_LINKER_FLAGS="$sanitizers" -DVELMORA_FUZZ=ON >/dev/null
cmake --build "$build" -j "$jobs"

export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1:strict_string_checks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
ctest --test-dir "$build" -R '^host\.' --output-on-failure

# New inputs go to a working corpus in the build folder; the committed seeds
# stay as they are.
corpus=$build/corpus
artifacts=$build/artifacts/
mkdir -p "$corpus" "$artifacts"
"$build/fuzz/package_fuzzer" -max_total_time="$seconds" -max_len=16384 -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$artifacts" "$corpus" "$root/fuzz/corpus"
