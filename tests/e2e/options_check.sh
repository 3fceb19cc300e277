#!/usr/bin/env bash
# The options answered before anything starts: --help and --version print to
# standard output and end with 0, an unknown option prints the usage to
# standard error and ends with 2. None of them needs a display.
#
#   options_check.sh <path to vr-soundeditor> <expected version>
set -uo pipefail

app=$1
version=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
failures=0

# run <expected exit code> <arguments...>: leaves stdout and stderr in $out.
run() {
    local expected=$1
    shift
    env -u DISPLAY -u WAYLAND_DISPLAY timeout 10 "$app" "$@" >"$out/stdout" 2>"$out/stderr"
    local code=$?
    if [ "$code" -ne "$expected" ]; then
        echo "options_check: '$*' ended with $code, not $expected" >&2
        failures=$((failures + 1))
        return 1
    fi
}
check() { # <description> <command...>
    local what=$1
    shift
    if ! "$@"; then
        echo "options_check: $what" >&2
        failures=$((failures + 1))
    fi
}
# Debug builds print the framework's version line on stderr at load.
usage_in() { grep -q '^Usage: vr-soundeditor \[OPTION\] \[FILE\]' "$out/$1"; }
no_usage_in() { ! usage_in "$1"; }

for help in --help -h "bank.vrm --help"; do
    # shellcheck disable=SC2086 # the last case is two arguments
    if run 0 $help; then
        check "$help: no usage on stdout" usage_in stdout
        check "$help: usage on stderr" no_usage_in stderr
        check "$help: the usage names --version" grep -q -- '--version' "$out/stdout"
    fi
done

if run 0 --version; then
    check "--version printed '$(cat "$out/stdout")'" \
        [ "$(cat "$out/stdout")" = "VORANTE wren & heron SoundEditor $version" ]
fi

for bogus in --bogus -x "bank.vrm --bogus"; do
    # shellcheck disable=SC2086
    if run 2 $bogus; then
        check "$bogus: something on stdout" [ ! -s "$out/stdout" ]
        check "$bogus: no usage on stderr" usage_in stderr
        check "$bogus: the option is not named" grep -q "unknown option '${bogus##* }'" "$out/stderr"
    fi
done

if [ "$failures" -ne 0 ]; then
    echo "options_check: $failures failed" >&2
    exit 1
fi
echo "options_check: all options answered"
