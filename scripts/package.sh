#!/usr/bin/env bash
# Builds the .deb: a Release build of the program in a folder of its own
# (build/deb, unless a build folder is given), then CPack. Prints the
# package it made, which lands in <build folder>/package.
#
#   scripts/package.sh [build folder]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="${1:-$top/build/deb}"

"$top/scripts/setup.sh"
# Configured every time, so a folder set up for another kind of build is made Release.
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVR_BUILD_TESTS=OFF -DVR_BUILD_BENCH=OFF
cmake --build "$build" --target VRSoundEditor
made=$(cd "$build" && cpack -G DEB | tee /dev/stderr | sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p')
[ -f "$made" ] || { echo "package.sh: cpack made no package" >&2; exit 1; }
echo "$made"
