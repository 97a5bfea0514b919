#!/usr/bin/env bash
# One hold on a save folder for every Quirewell program: a native run that holds it makes
# quirewell-cli.exe under Wine wait, and the reverse; runs in two Wine prefixes (two wineservers,
# which share nothing but the file system) exclude each other; and a run killed while it holds
# the folder lets the next one through at once. Every run held up ends with the outputs a single
# run gives.
# Usage: hold_test.sh FAXGEN CONSOLE_EXE   (QW_EMULATOR, QW_NATIVE_CONSOLE and WINEPREFIX set)
source "$(dirname "$0")/e2e_lib.sh"
faxgen="$1"
console="$2"
native="${QW_NATIVE_CONSOLE:-}"
work="$(mktemp -d)"
second_prefix="$WINEPREFIX-second"
cleanup() {
    WINEPREFIX="$second_prefix" wineserver -k >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
if [ ! -x "$native" ]; then
    echo "skipped: no native console program to hold the folder against"
    exit 77
fi

run_prog "$faxgen" --tree "$(prog_path "$work/held")" --faxes 300 --pages 2-4 --size 4000-8000 --seed 21 >/dev/null
run_prog "$faxgen" --tree "$(prog_path "$work/waiting")" --faxes 3 --pages 2 --seed 22 >/dev/null
for f in "$work/waiting"/F*; do mv "$f" "$work/waiting/G${f##*/F}"; done
"$native" /q "$work/held" "$work/single" >/dev/null
"$native" /q "$work/waiting" "$work/single" >/dev/null

# The process that runs the program: under Wine not the one started, but the one whose first
# argument is the program's Windows path; the save folder in its arguments tells it from others.
program_pid() {
    local pid
    for pid in $(pgrep -f -- "$2"); do
        if tr '\0' '\n' <"/proc/$pid/cmdline" 2>/dev/null | head -n 1 | grep -q -i -- "$1"; then
            echo "$pid"
            return 0
        fi
    done
    return 1
}

# Starts a run of `held` into `out` with the given program ("native", or a Wine prefix) and stops
# it once it holds the folder, which it does when it has made its list of temporaries.
holder=""
hold() {
    local how="$1" out="$2"
    if [ "$how" = native ]; then
        "$native" /q "$work/held" "$out" >/dev/null 2>&1 &
    else
        WINEPREFIX="$how" run_prog "$console" /q "$(prog_path "$work/held")" "$(prog_path "$out")" >/dev/null 2>&1 &
    fi
    local started=$!
    for _ in $(seq 4000); do compgen -G "$out/.quirewell-????.list" >/dev/null && break; sleep 0.002; done
    if [ "$how" = native ]; then
        holder=$started
    else
        holder=$(program_pid 'quirewell-cli\.exe' "$(basename "$work").$(basename "$out")")
    fi
    kill -STOP "$holder"
}

# A run of `waiting` into `out` with the given program, `/w:0` first: it must give up at once.
waits() {
    local how="$1" out="$2" name="$3"
    if [ "$how" = native ]; then
        "$native" /q /w:0 "$work/waiting" "$out" 2>/dev/null
    else
        WINEPREFIX="$how" run_prog "$console" /q /w:0 "$(prog_path "$work/waiting")" "$(prog_path "$out")" 2>/dev/null
    fi
    check_eq "$name: a run that may not wait gives up" 6 $?
    # The last case's waiter said the same: a slow start must not pass for this one's words.
    : >"$work/err"
    if [ "$how" = native ]; then
        "$native" /q "$work/waiting" "$out" 2>"$work/err" &
    else
        WINEPREFIX="$how" run_prog "$console" /q "$(prog_path "$work/waiting")" "$(prog_path "$out")" 2>"$work/err" &
    fi
    local waiter=$!
    for _ in $(seq 400); do grep -q 'Waiting for another' "$work/err" && break; sleep 0.05; done
    check "$name: a run that may wait says so, and waits" bash -c "grep -q 'Waiting for another' '$work/err' && kill -0 $waiter"
    kill -CONT "$holder"
    wait "$waiter"
    check_eq "$name: once the folder is let go it merges: exit 0" 0 $?
    for _ in $(seq 400); do kill -0 "$holder" 2>/dev/null || break; sleep 0.05; done
    check "$name: both runs' faxes are a single run's" diff -r -x '.quirewell*' "$work/single" "$out"
}

# The second prefix is made by the Wine that made the first, as the first is (scripts/wine-env).
if [ "$(cat "$second_prefix/.made-by" 2>/dev/null)" != "$(cat "$WINEPREFIX/.made-by" 2>/dev/null)" ]; then
    rm -rf "$second_prefix"
    WINEPREFIX="$second_prefix" wine wineboot --init >/dev/null 2>&1
    cp "$WINEPREFIX/.made-by" "$second_prefix/.made-by" 2>/dev/null
fi
WINEPREFIX="$second_prefix" wineserver -p >/dev/null 2>&1

hold native "$work/out1"
waits "$WINEPREFIX" "$work/out1" "held by a native run, waited for under Wine"
hold "$WINEPREFIX" "$work/out2"
waits native "$work/out2" "held under Wine, waited for by a native run"
hold "$WINEPREFIX" "$work/out3"
waits "$second_prefix" "$work/out3" "held in one Wine prefix, waited for in another"

# Killed while it holds the folder, under Wine and natively: the next run gets in at once.
for how in "$WINEPREFIX" native; do
    out="$work/killed-$(basename "$how")"
    hold "$how" "$out"
    kill -9 "$holder"
    sleep 0.5
    start=$(date +%s%N)
    "$native" /q /w:0 "$work/waiting" "$out" 2>/dev/null
    check_eq "killed while holding ($(basename "$how")): the next run gets in" 0 $?
    check "at once" [ $((($(date +%s%N) - start) / 1000000)) -lt 3000 ]
done

e2e_finish
