# Helpers shared by the end-to-end scripts: running a program of either build (Windows programs
# under Wine through QW_EMULATOR), handing it paths in its own form, and reporting results.
# shellcheck shell=bash
set -u

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
