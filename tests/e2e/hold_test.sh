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

run_prog "$faxgen" --tree "$(prog_path "$work/held")" --faxes 20 --pages 2-4 --size 4000-8000 --seed 21 >/dev/null
run_prog "$faxgen" --tree "$(prog_path "$work/waiting")" --faxes 3 --pages 2 --seed 22 >/dev/null
for f in "$work/waiting"/F*; do mv "$f" "$work/waiting/G${f##*/F}"; done
"$native" /q "$work/held" "$work/single" >/dev/null
"$native" /q "$work/waiting" "$work/single" >/dev/null

# Starts a run of `held` into `out` with the given program ("native", or a Wine prefix), stopped
# while it holds the folder.
hold() {
    local how="$1" out="$2"
    if [ "$how" = native ]; then
        check "held natively" start_holding "$out" "$native" /q "$work/held" "$out"
    else
        WINEPREFIX="$how" check "held under Wine" start_holding "$out" "$QW_EMULATOR" "$console" /q \
            "$(prog_path "$work/held")" "$(prog_path "$out")"
    fi
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
    check "$name: a run that may wait says so" wait_for_line "$work/err" 'Waiting for another'
    check "$name: and waits" kill -0 "$waiter"
    kill -CONT "$holder"
    wait "$waiter"
    check_eq "$name: once the folder is let go it merges: exit 0" 0 $?
    wait "$tracer"
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
    # Under Wine the lock is the server's, which lets it go once it sees the program gone: the
    # next run may wait for that.
    start=$(date +%s%N)
    kill -9 "$holder"
    "$native" /q /w:1 "$work/waiting" "$out" 2>/dev/null
    check_eq "killed while holding ($(basename "$how")): the next run gets in" 0 $?
    check "at once" [ $((($(date +%s%N) - start) / 1000000)) -lt 3000 ]
done

e2e_finish
