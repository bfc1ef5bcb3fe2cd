#!/bin/sh
# Configures the project as a packager does: no build type, BUILD_TESTING=OFF,
# with GoogleTest and Google Benchmark made unfindable. The configuration
# must succeed, choose RelWithDebInfo, and look for neither stb nor the two.
# usage: configure_for_packagers.sh SOURCE_DIR
set -eu
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if ! cmake -S "$source_dir" -B "$work" -DBUILD_TESTING=OFF \
    -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON \
    >"$work/configure.log" 2>&1; then
    cat "$work/configure.log" >&2
    echo "FAIL: configuring with BUILD_TESTING=OFF needs GoogleTest or Google Benchmark" >&2
    exit 1
fi
status=0
grep -qx 'CMAKE_BUILD_TYPE:STRING=RelWithDebInfo' "$work/CMakeCache.txt" ||
    { echo "FAIL: no build type given did not give RelWithDebInfo" >&2; status=1; }
if grep -E '^(STB_|GTest_DIR|benchmark_DIR)' "$work/CMakeCache.txt" | grep -v NOTFOUND; then
    echo "FAIL: looked for a test or benchmark dependency" >&2
    status=1
fi
# The programs are still there to build.
for target in pellumir pellumir-convert pellumir-thumbnailer; do
    grep -q "^$target:" "$work/Makefile" || { echo "FAIL: no target $target" >&2; status=1; }
done
exit $status
