#!/usr/bin/env bash
# Two builds of the demo product from two copies of the sources in two
# different folders, at two different times, give byte-identical files and
# package: nothing of the build folder, the source folder or the clock gets
# into what is packed.
#   reproducible_test.sh SOURCE_DIR BUILD_DIR [CMAKE_ARGUMENT...]
# with VELMORA_DEMO_FILES, the packed files of BUILD_DIR, ','-separated.
# BUILD_DIR is the build whose demo files are compared; the other build is
# configured from a copy of SOURCE_DIR under BUILD_DIR/reproducible with the
# given arguments (the first build's toolchain, build type and signing), and
# compiles without ccache, so that no object comes from the first build.
set -euo pipefail
source_dir=${1:?source dir}
build_dir=${2:?build dir}
shift 2

work=$build_dir/reproducible
rm -rf "$work"
copy=$work/a-second-copy/of-the-sources
other=$work/another/build-folder
mkdir -p "$copy" "$other"
# The sources only: no version control and no build folder inside them.
(cd "$source_dir" && tar -cf - --exclude=./.git --exclude=./build --exclude="./${build_dir#"$source_dir"/}" .) |
  (cd "$copy" && tar -xf -)

unset CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER
export CCACHE_DISABLE=1
cmake -S "$copy" -B "$other" "$@" >"$work/configure.log"
cmake --build "$other" --target demo_package -j "$(nproc)" >"$work/build.log" 2>&1 || {
  tail -30 "$work/build.log"
  exit 1
}

status=0
IFS=',' read -r -a packed <<<"${VELMORA_DEMO_FILES:?the packed files, ','-separated}"
for file in "${packed[@]}" "$build_dir/demo/velmora-demo.pkg"; do
  name=${file#"$build_dir"/demo/}
  if cmp -s "$file" "$other/demo/$name"; then
    echo "identical: $name ($(stat -c %s "$file") bytes)"
  else
    echo "DIFFERENT: $name ($(stat -c %s "$file") and $(stat -c %s "$other/demo/$name") bytes)"
    status=1
  fi
done
[ $status -eq 0 ] && rm -rf "$work"
exit $status
