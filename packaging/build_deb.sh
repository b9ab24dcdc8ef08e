#!/bin/sh
# Builds the Debian package: the programs as the tests build them, hardened, without the test
# suites; CPack strips them. Prints the package's path on standard output, the rest on stderr.
# Usage: packaging/build_deb.sh SOURCE_DIR BUILD_DIR [JOBS]
set -eu
source_dir=$1
build_dir=$2
jobs=${3:-2}
cmake -S "$source_dir" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
      -DPIXELTOOLS_PACKAGE_BUILD=ON >&2
cmake --build "$build_dir" -j"$jobs" >&2
log=$(cd "$build_dir" && cpack -G DEB 2>&1) || { printf '%s\n' "$log" >&2; exit 1; }
printf '%s\n' "$log" >&2
printf '%s\n' "$log" | sed -n 's/^CPack: - package: \(.*\.deb\) generated\.$/\1/p'
