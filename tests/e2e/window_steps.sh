# Steps shared by the checks that drive the program in an X window. Sourced
# after setting `check` (the name the messages start with), `out` (the
# output folder) and `log` (the program's output).

if [ -z "${DISPLAY:-}" ]; then
    echo "$check: needs a display (run under xvfb-run)" >&2
    exit 1
fi

# Ends the check with a screenshot of the whole screen and the program's output.
fail() {
    echo "$check: $*" >&2
    import -window root "$out/failure.png" 2>/dev/null || true
    if [ -f "$log" ]; then
        echo "--- program log ---" >&2
        cat "$log" >&2
    fi
    exit 1
}

# The id of the first visible window whose name matches the pattern,
# within 10 seconds.
wait_for_window() {
    local pattern=$1
    for _ in $(seq 1 100); do
        local id
        id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n 1 || true)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    fail "no window named '$pattern'"
}

# Waits up to 20 seconds (or the seconds given) for the process to end;
# false when it still runs.
wait_for_exit() {
    for _ in $(seq 1 $((${2:-20} * 10))); do
        kill -0 "$1" 2>/dev/null || return 0
        sleep 0.1
    done
    return 1
}
