#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang and runs each for a
# while: tools/fuzz.sh [seconds per target, default 60] [target ...]
# Prints one line per target: TARGET execs crashes. Corpora grow in
# build/fuzz/corpus/<target>; crashing inputs land in build/fuzz/findings/<target>.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$top/build/fuzz
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(vr_fuzz_sysex_file vr_fuzz_library_file vr_fuzz_classify vr_fuzz_describe)

cxx=$(command -v clang++-14 || command -v clang++)
cc=$(command -v clang-14 || command -v clang)
launcher=()
if command -v ccache > /dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache); fi

cmake -S "$top" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_C_COMPILER="$cc" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" \
    -DVR_FUZZ=ON -DVR_BUILD_TESTS=OFF -DVR_BUILD_BENCH=OFF "${launcher[@]}" > /dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}" > "$build/build.log" || {
    cat "$build/build.log"
    exit 1
}

# Byte strings as hex, for the seeds.
hex() { printf "$(sed 's/../\\x&/g' <<< "$*")"; }
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
# One MIDI message, for the classifier and the monitor's describer (whose
# first byte is the bank seen before the message).
message() {
    seed vr_fuzz_classify "$1" "$2"
    seed vr_fuzz_describe "$1" "01$2"
}
message identity f07e0306027d0f01080005000100f7
message dump "$dump4c"
message current "$dump40"
message parameter f07d3000010f4101150011f7
message number f07d3000010f42000139f7
message done f07d3000010f21f7
message bank b00001
message program c005
message request f07e7f0601f7
message lsb b02000

status=0
summary=()
for target in "${targets[@]}"; do
    maxlen=4096
    [ "$target" = vr_fuzz_library_file ] && maxlen=8192
    findings=$build/findings/$target
    mkdir -p "$findings"
    log=$build/$target.log
    # -fork keeps going past a crash, so the count is of crashes, not "at least one".
    (cd "$findings" &&
        "$build/bin/$target" -max_total_time="$seconds" -max_len="$maxlen" -print_final_stats=1 \
            -fork=1 -ignore_crashes=1 -ignore_ooms=1 -ignore_timeouts=1 \
            -dict="$top/tests/fuzz/sysex.dict" "$build/corpus/$target") > "$log" 2>&1 || true
    # Fork mode reports "#<execs>: ... oom/timeout/crash: a/b/c ..." as it goes; the last one counts.
    last=$(grep -E '^#[0-9]+:' "$log" | tail -1)
    execs=$(sed -E 's/^#([0-9]+):.*/\1/' <<< "${last:-#0:}")
    crashes=$(sed -nE 's#.*oom/timeout/crash: ([0-9]+)/([0-9]+)/([0-9]+).*#\1 \2 \3#p' <<< "$last" | awk '{ print $1 + $2 + $3 }')
    crashes=${crashes:-0}
    # A run that never got going (a crash on a seed, a missing binary) counts as one.
    [ -n "$last" ] || crashes=1
    summary+=("$target $execs $crashes")
    [ "$crashes" -eq 0 ] || status=1
done
printf '%s\n' "TARGET execs crashes" "${summary[@]}"
exit $status
