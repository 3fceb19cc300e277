#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test: once in a
# Debug build, once more with AddressSanitizer and UndefinedBehaviorSanitizer.
# Tests that need a display run under xvfb-run. The Debug run also installs
# the build into a scratch folder, validates the desktop files, packs the
# Debug program into a .deb and starts it from there (no second build).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

"$top/scripts/setup.sh"

# Our own sources must be clang-format clean.
(cd "$top" && git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'tools/*.cpp' 'tools/*.h' \
    | xargs -r clang-format --dry-run --Werror)

run_suite() {
    local build=$1
    shift
    cmake -S "$top" -B "$build" -G Ninja "$@"
    cmake --build "$build" -j "$jobs"
    (cd "$build" && xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure -j "$jobs")
}

run_suite "$top/build/test" -DCMAKE_BUILD_TYPE=Debug

# Every reader of outside bytes gets a short fuzzing run where clang and its
# libFuzzer are here.
probe=$(mktemp -d)
if command -v clang++ > /dev/null &&
    echo 'extern "C" int LLVMFuzzerTestOneInput (const unsigned char*, unsigned long) { return 0; }' |
    clang++ -x c++ -fsanitize=fuzzer - -o "$probe/probe" 2> /dev/null; then
    "$top/tools/fuzz.sh" 10
else
    echo "No clang with libFuzzer here: fuzz targets skipped."
fi
rm -rf "$probe"
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_suite "$top/build/sanitize" -DCMAKE_BUILD_TYPE=Debug -DVR_SANITIZE=ON -DVR_BUILD_BENCH=OFF
