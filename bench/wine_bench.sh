# Sourced by the benchmarks that run under Wine, after they set root and
# build: a work folder build/bench/NAME with a pristine prefix and the
# prefix the runs use (both made by the benchmark with prefix.sh), a private
# display, and an exit that stops the prefix's server and the display.
#   bench_begin NAME    sets work, pristine, prefix, prefix_tool
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
