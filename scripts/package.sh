#!/usr/bin/env bash
# Builds the .deb: a Release build of the program (in build/release, the
# run command's folder, unless a build folder is given), then CPack. The
# package lands in <build folder>/package.
#
#   scripts/package.sh [build folder]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="${1:-${VR_BUILD_DIR:-$top/build/release}}"

"$top/scripts/setup.sh"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVR_BUILD_TESTS=OFF -DVR_BUILD_BENCH=OFF
fi
cmake --build "$build" --target VRSoundEditor
(cd "$build" && cpack -G DEB)
ls "$build"/package/vr-soundeditor_*.deb
