#!/usr/bin/env bash
# Installs what is needed, builds the program and starts it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="${VR_BUILD_DIR:-$top/build/release}"

"$top/scripts/setup.sh"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVR_BUILD_TESTS=OFF -DVR_BUILD_BENCH=OFF
cmake --build "$build" --target VRSoundEditor
exec "$build/bin/vr-soundeditor" "$@"
