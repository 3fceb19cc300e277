#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang and runs each for a
# while: scripts/fuzz.sh [seconds per target, default 60] [target ...]
# Corpora grow in build/fuzz/corpus/<target>; crashes land in build/fuzz/findings.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$top/build/fuzz
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(vr_fuzz_sysex_file vr_fuzz_library_file vr_fuzz_classify)

cxx=$(command -v clang++-14 || command -v clang++)
cc=$(command -v clang-14 || command -v clang)
launcher=()
if command -v ccache > /dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache); fi

cmake -S "$top" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_C_COMPILER="$cc" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" \
    -DVR_FUZZ=ON -DVR_BUILD_TESTS=OFF -DVR_BUILD_BENCH=OFF "${launcher[@]}" > /dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"

# Byte strings as hex, for the seeds.
hex() { echo "$*" | xxd -r -p; }
record=$(printf '%02x' 0 47 50 37 0 0 0 0 0 0 0 39 1 21 18 2 3 2 2 4 17 0 0 11 30 17 27 22 7 0 0 0)
dump4c="f07d3000010f4c0139${record}f7"
dump40="f07d3008010f40${record}f7"

seed() { # target name hexbytes
    mkdir -p "$build/corpus/$1"
    hex "$3" > "$build/corpus/$1/$2"
}
seed vr_fuzz_sysex_file dumps "$dump4c$dump40"
seed vr_fuzz_sysex_file between "903c403e40f041104212f7${dump4c}00f7b00764${dump40}"
seed vr_fuzz_sysex_file cut "${dump4c}f07d3000010f4c01"
mkdir -p "$build/corpus/vr_fuzz_library_file"
{ printf 'VRMPROG100'; head -c 22 /dev/zero; for _ in $(seq 200); do hex "$record"; done; } \
    > "$build/corpus/vr_fuzz_library_file/library"
seed vr_fuzz_library_file syx "$dump4c$dump40"
seed vr_fuzz_classify identity f07e0306027d0f01080005000100f7
seed vr_fuzz_classify dump "$dump4c"
seed vr_fuzz_classify current "$dump40"
seed vr_fuzz_classify parameter f07d3000010f4101150011f7
seed vr_fuzz_classify number f07d3000010f42000139f7
seed vr_fuzz_classify done f07d3000010f21f7
seed vr_fuzz_classify bank b00001
seed vr_fuzz_classify program c005

mkdir -p "$build/findings"
status=0
for target in "${targets[@]}"; do
    maxlen=4096
    [ "$target" = vr_fuzz_library_file ] && maxlen=8192
    echo "== $target for ${seconds}s"
    (cd "$build/findings" &&
        "$build/bin/$target" -max_total_time="$seconds" -max_len="$maxlen" -print_final_stats=1 \
            -dict="$top/tests/fuzz/sysex.dict" "$build/corpus/$target") || status=1
done
exit $status
