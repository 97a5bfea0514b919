#!/usr/bin/env bash
# The command-line programs end to end over trees written by faxgen: the run log on standard
# output, exit codes 0, 2, 3 and 4, well-formed outputs, sources unchanged, repeatable runs, and
# (for the Windows build) Quirewell.exe /q and the native console giving the same bytes.
# Usage: cli_test.sh FAXGEN FAXINFO CONSOLE [WINDOW_PROGRAM]
source "$(dirname "$0")/e2e_lib.sh"
faxgen="$1"
faxinfo="$2"
console="$3"
window_program="${4:-}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
sep="$(prog_sep)"
if [ -n "${QW_EMULATOR:-}" ]; then eol=$'\r\n'; else eol=$'\n'; fi

src="$work/in dir"
gen() { run_prog "$faxgen" "$@" >/dev/null; }
gen --tree "$(prog_path "$src")" --faxes 4 --pages 1-3 --seed 7
gen --kind nosig "$(prog_path "$src/BAD001.FXR")"
gen --kind trailing --seed 2 "$(prog_path "$src/trl001.fxs")"
gen --kind multi --pages 2 --seed 3 "$(prog_path "$src/MUL001.FXD")"
gen --seed 4 "$(prog_path "$src/AB.FXR")"
mkdir -p "$src/sub"
gen --seed 5 "$(prog_path "$src/sub/F00001009.FXR")"
echo "not a fax" >"$src/notes.txt"
(cd "$src" && find . -type f -exec sha256sum {} + | sort) >"$work/sources.sha"

# The log the run must write, built from the names alone.
expected_log() {
    local s="$1" d="$2" merged=0 failed=0 name stem suffix
    printf 'Source Dir: %s%sDestination Dir: %s%s%s' "$s" "$eol" "$d" "$eol" "$eol"
    while IFS= read -r name; do
        stem=""
        [ "${#name}" -gt 7 ] && stem="${name:0:$((${#name} - 7))}"
        suffix=""
        if [ "$name" = BAD001.FXR ]; then
            suffix=" (failed: not a WinFax page file)"
            failed=$((failed + 1))
        else
            merged=$((merged + 1))
        fi
        printf '%s%s%s -> %s%s%sfax.fxm%s%s' "$s" "$sep" "$name" "$d" "$sep" "$stem" "$suffix" "$eol"
    done < <(cd "$src" && find . -maxdepth 1 -type f | sed 's|^\./||' | grep -i -E '\.fx[srd]$' | LC_ALL=C sort -f)
    printf '%s---------%sTotal merged WinFax files: %d%s' "$eol" "$eol" "$merged" "$eol"
    [ "$failed" -gt 0 ] && printf 'Failed WinFax files: %d%s' "$failed" "$eol"
    return 0
}

run_console() {
    run_prog "$console" "$@" >"$work/stdout" 2>"$work/stderr"
    echo $?
}

dst="$work/out dir"
check_eq "console exit code with a refused file" 4 "$(run_console "$(prog_path "$src")" "$(prog_path "$dst")")"
{ printf 'Please Wait...\n'; expected_log "$(prog_path "$src")" "$(prog_path "$dst")"; } >"$work/expected"
[ -n "${QW_EMULATOR:-}" ] && sed -i 's/^Please Wait...$/Please Wait...\r/' "$work/expected"
check "console writes the run log" cmp "$work/expected" "$work/stdout"
outputs=$(cd "$dst" && ls)
check_eq "outputs" "$(printf '%s\n' AB F00001 F00002 F00003 F00004 MUL trl | sed 's/$/fax.fxm/' | sed 's/^ABfax/fax/' | LC_ALL=C sort)" \
    "$(printf '%s\n' "$outputs" | LC_ALL=C sort)"
(cd "$dst" && for f in *; do printf '%s\n' "$(prog_path "$dst/$f")"; done) >"$work/outlist"
mapfile -t outlist <"$work/outlist"
check_eq "faxinfo calls every output well formed" 0 "$(run_prog "$faxinfo" "${outlist[@]}" >/dev/null; echo $?)"
check "sources unchanged" bash -c "cd \"\$0\" && find . -type f -exec sha256sum {} + | sort | cmp -s - \"\$1\"" "$src" "$work/sources.sha"

cp -r "$dst" "$work/first"
check_eq "second run exit code" 4 "$(run_console "$(prog_path "$src")" "$(prog_path "$dst")")"
check "second run gives the same outputs" diff -r "$work/first" "$dst"

check_eq "quiet run exit code" 4 "$(run_console /q "$(prog_path "$src")" "$(prog_path "$work/quiet")")"
check_eq "quiet run writes only the wait line" "Please Wait...${eol}x" "$(cat "$work/stdout"; printf x)"
check "quiet run gives the same outputs" diff -r "$work/first" "$work/quiet"

clean="$work/clean"
gen --tree "$(prog_path "$clean")" --faxes 2 --pages 2 --seed 9
check_eq "all merged: exit 0" 0 "$(run_console "$(prog_path "$clean")" "$(prog_path "$work/clean-out")")"
check_eq "nothing to merge: exit 0" 0 "$(run_console "$(prog_path "$src/sub/none")" "$(prog_path "$work/empty-out")")"

touch "$work/blocker"
check_eq "destination cannot be made: exit 3" 3 "$(run_console "$(prog_path "$src")" "$(prog_path "$work/blocker/out")")"
check_eq "failure line" "Please Wait...${eol}Failed to create dir: $(prog_path "$work/blocker/out")${eol}x" \
    "$(cat "$work/stdout"; printf x)"

check_eq "no arguments: exit 2" 2 "$(run_console)"
check "no arguments: usage text" grep -q 'Usage: Quirewell \[/l /q\] /d source-directory dest-directory' "$work/stdout"
if [ -n "${QW_EMULATOR:-}" ]; then chinese=$'\xD4\xDD\xB2\xBB\xD6\xA7\xB3\xD6'; else chinese='暂不支持'; fi
check "usage text carries the Chinese words" grep -q -a -- "-- $chinese " "$work/stdout"
check_eq "one argument: exit 2" 2 "$(run_console "$(prog_path "$src")")"
check_eq "file mode: exit 2" 2 "$(run_console /f a b)"
check "file mode: message" grep -q '^Quirewell: file mode (/f) is not supported' "$work/stderr"

if [ -n "$window_program" ]; then
    check_eq "Quirewell.exe /q exit code" 4 \
        "$(run_prog "$window_program" /q "$(prog_path "$src")" "$(prog_path "$work/window")" >/dev/null 2>&1; echo $?)"
    check "Quirewell.exe /q gives the console's bytes" diff -r "$work/first" "$work/window"
fi
if [ -n "${QW_NATIVE_CONSOLE:-}" ] && [ -x "$QW_NATIVE_CONSOLE" ]; then
    "$QW_NATIVE_CONSOLE" /q "$src" "$work/native" >/dev/null 2>&1
    check "the native console gives the same bytes" diff -r "$work/first" "$work/native"
fi

e2e_finish
