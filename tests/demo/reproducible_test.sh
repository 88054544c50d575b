#!/usr/bin/env bash
# Builds of the setup and the demo product from copies of the sources in
# folders whose paths differ in length, at other times, with fresh file
# times, give byte-identical files, package, setup.exe and
# velmora-setup.exe: nothing of the build folder, the source folder, the
# length of their paths or the clock gets into what ships.
#   reproducible_test.sh SOURCE_DIR BUILD_DIR [CMAKE_ARGUMENT...]
# with VELMORA_DEMO_FILES, the packed files of BUILD_DIR, ','-separated.
# BUILD_DIR is the build whose files are compared; each other build is
# configured from a copy of SOURCE_DIR under BUILD_DIR/reproducible with the
# given arguments (the first build's toolchain, build type and signing), and
# compiles without ccache, so that no object comes from the first build.
set -euo pipefail
source_dir=${1:?source dir}
build_dir=${2:?build dir}
shift 2

work=$build_dir/reproducible
rm -rf "$work"
unset CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER
export CCACHE_DISABLE=1
IFS=',' read -r -a packed <<<"${VELMORA_DEMO_FILES:?the packed files, ','-separated}"
shipped=("${packed[@]#"$build_dir"/}" demo/velmora-demo.pkg app/setup.exe velmora-setup.exe)

status=0
# The help compiler's output once moved with the length of these paths.
for copy in "$work/a/sources" "$work/another-copy-of-the-sources-in-a-folder-whose-name-is-longer/sources"; do
  other=$(dirname "$copy")/build
  mkdir -p "$copy" "$other"
  # The sources only, no version control and no build folder, every file
  # with the time of the copy.
  (cd "$source_dir" && tar -cf - --exclude=./.git --exclude=./build --exclude="./${build_dir#"$source_dir"/}" .) |
    (cd "$copy" && tar -xf - --touch)
  cmake -S "$copy" -B "$other" "$@" >"$other.configure.log"
  cmake --build "$other" --target velmora_setup demo_package -j "$(nproc)" >"$other.log" 2>&1 || {
    tail -30 "$other.log"
    exit 1
  }
  for name in "${shipped[@]}"; do
    if cmp -s "$build_dir/$name" "$other/$name"; then
      echo "identical: $name ($(stat -c %s "$build_dir/$name") bytes)"
    else
      echo "DIFFERENT from $other: $name ($(stat -c %s "$build_dir/$name") and $(stat -c %s "$other/$name") bytes)"
      status=1
    fi
  done
done
[ $status -eq 0 ] && rm -rf "$work"
exit $status
