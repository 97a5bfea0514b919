# Helpers shared by the end-to-end scripts: running a program of either build (Windows programs
# under Wine through QW_EMULATOR), handing it paths in its own form, stopping or killing a run at
# a chosen system call, and reporting results.
# shellcheck shell=bash
set -u

# Each script works in a folder of its own, removed at its end (a script with more to undo sets a
# trap of its own that removes it too). The programs keep their cache there, as in a home folder
# of its own: never in the real one, never where another test's runs would see it.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export XDG_CACHE_HOME="$work/cache"
unset CACHE_DIRECTORY
mkdir "$XDG_CACHE_HOME"

e2e_failures=0
e2e_checks=0

# Runs a program of the build under test; Windows programs go through the emulator.
run_prog() {
    if [ -n "${QW_EMULATOR:-}" ]; then
        "$QW_EMULATOR" "$@"
    else
        "$@"
    fi
}

# A path as the program under test spells it: Z:\... under Wine, unchanged natively.
prog_path() {
    if [ -n "${QW_EMULATOR:-}" ]; then
        printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"
    else
        printf '%s' "$1"
    fi
}

# The separator of the program under test.
prog_sep() {
    if [ -n "${QW_EMULATOR:-}" ]; then printf '\\'; else printf '/'; fi
}

# Runs a command under strace, which signals it at a chosen system call (strace's --inject, and
# any option that comes before the command); strace's exit status is the program's, and its log
# goes to $work/strace.log. A sanitized build's leak check cannot run in a traced process. It runs
# in a session of its own: when the shell that started the tests ends first, the kernel sends
# SIGHUP and SIGCONT to the stopped processes of the process group left behind.
traced() {
    ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" setsid -w strace -f -qq -o "$work/strace.log" "$@"
}

# Starts a run (the command "$2"...) in the background and has it stopped while it holds save
# folder $1: a run reads the folder's lock file (for a list of temporaries an earlier version may
# have left there) only once it holds the folder, natively and under Wine alike, so it is stopped
# at its first read of that file. Sets `holder` to the stopped process (under Wine the Windows
# program itself, not the launcher started) and `tracer` to strace's; fails when no run stopped.
# The run's output goes to $work/holder.err.
start_holding() {
    local folder="$1"
    shift
    rm -f "$work/strace.log"
    traced -P "$folder/.quirewell.lock" --inject=pread64:signal=SIGSTOP:when=1 "$@" >/dev/null 2>"$work/holder.err" &
    tracer=$!
    for _ in $(seq 1200); do
        holder=$(awk '/--- stopped by SIGSTOP ---/ { print $1; exit }' "$work/strace.log" 2>/dev/null)
        [ -n "$holder" ] && return 0
        kill -0 "$tracer" 2>/dev/null || break
        sleep 0.05
    done
    echo "no run stopped while it held $folder" >&2
    return 1
}

# Waits, for a minute at most, until file $1 has a line that matches $2.
wait_for_line() {
    for _ in $(seq 1200); do
        grep -q -- "$2" "$1" 2>/dev/null && return 0
        sleep 0.05
    done
    return 1
}

check() {
    local what="$1"
    shift
    e2e_checks=$((e2e_checks + 1))
    if "$@"; then
        return 0
    fi
    e2e_failures=$((e2e_failures + 1))
    echo "FAILED: $what" >&2
    return 1
}

check_eq() {
    local what="$1" expected="$2" actual="$3"
    e2e_checks=$((e2e_checks + 1))
    if [ "$expected" = "$actual" ]; then
        return 0
    fi
    e2e_failures=$((e2e_failures + 1))
    {
        echo "FAILED: $what"
        echo "  expected: $(printf '%s' "$expected" | od -c | head -20)"
        echo "  actual:   $(printf '%s' "$actual" | od -c | head -20)"
    } >&2
    return 1
}

e2e_finish() {
    echo "$((e2e_checks - e2e_failures)) passed, $e2e_failures failed"
    [ "$e2e_failures" -eq 0 ]
}
