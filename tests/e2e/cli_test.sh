#!/usr/bin/env bash
# The command-line programs end to end over trees written by faxgen: the run log on standard
# output and in /log: and /log+: files, exit codes 0, 2, 3, 4 and 5, well-formed outputs, sources
# unchanged, repeatable runs, names in every language (under Wine in three code pages), and (for
# the Windows build) Quirewell.exe /q and the native console giving the same bytes.
# Usage: cli_test.sh FAXGEN FAXINFO CONSOLE [WINDOW_PROGRAM]
source "$(dirname "$0")/e2e_lib.sh"
faxgen="$1"
faxinfo="$2"
console="$3"
window_program="${4:-}"
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
expected_log "$(prog_path "$src")" "$(prog_path "$dst")" >"$work/expected"
check "console writes the run log, and nothing else, on standard output" cmp "$work/expected" "$work/stdout"
check_eq "console writes its wait line on standard error" "Please Wait...${eol}x" "$(cat "$work/stderr"; printf x)"
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
check_eq "quiet run writes nothing" "x" "$(cat "$work/stdout" "$work/stderr"; printf x)"
check "quiet run gives the same outputs" diff -r "$work/first" "$work/quiet"

clean="$work/clean"
gen --tree "$(prog_path "$clean")" --faxes 2 --pages 2 --seed 9
check_eq "all merged: exit 0" 0 "$(run_console "$(prog_path "$clean")" "$(prog_path "$work/clean-out")")"
mkdir -p "$work/empty"
check_eq "nothing to merge: exit 0" 0 "$(run_console "$(prog_path "$work/empty")" "$(prog_path "$work/empty-out")")"
check_eq "source folder missing: exit 5" 5 "$(run_console "$(prog_path "$src/none")" "$(prog_path "$work/none-out")")"
check "source folder missing: its line" grep -q -F "Cannot read folder: $(prog_path "$src/none") (not found)" "$work/stdout"
check "source folder missing: the totals say so" grep -q '^Folders not read: 1' "$work/stdout"

if [ -n "${QW_EMULATOR:-}" ]; then
    # Windows lists no folder whose path passes 259 characters.
    deep="$work/$(printf 'd%.0s' $(seq 120))/$(printf 'e%.0s' $(seq 120))"
    mkdir -p "$deep"
    check_eq "source folder too long: exit 5" 5 "$(run_console "$(prog_path "$deep")" "$(prog_path "$work/deep-out")")"
    check "source folder too long: its line" grep -q -F "$(prog_path "$deep") (path too long)" "$work/stdout"
fi

touch "$work/blocker"
check_eq "destination cannot be made: exit 3" 3 "$(run_console "$(prog_path "$src")" "$(prog_path "$work/blocker/out")")"
check_eq "failure line" "Failed to create dir: $(prog_path "$work/blocker/out")${eol}x" \
    "$(cat "$work/stdout"; printf x)"

# /log+:FILE adds each run's log, as standard output has it (also with /q), between a line with
# the start, version and command line and a line with the exit code; /log:FILE replaces it. A
# FILE that cannot be written gets one line on standard error, and the run is as without it.
logs="$work/run logs"
mkdir -p "$logs"
name="$(basename "$console" .exe)"
stamp='==== [0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} Quirewell [0-9]+[.][0-9]+[.][0-9]+: '
check_eq "/log+: exit 4" 4 "$(run_console "/log+:$(prog_path "$logs/m.log")" "$(prog_path "$src")" "$(prog_path "$dst")")"
cp "$work/stdout" "$work/log-run"
check_eq "/q /log+: exit 0" 0 "$(run_console /q "/LOG+:$(prog_path "$logs/m.log")" "$(prog_path "$clean")" "$(prog_path "$work/clean-out")")"
run_console "$(prog_path "$clean")" "$(prog_path "$work/clean-out")" >/dev/null
mapfile -t heads < <(grep -a -E "^$stamp" "$logs/m.log")
check_eq "/log+: each run's line names its command line" \
    "$name \"/log+:$(prog_path "$logs/m.log")\" \"$(prog_path "$src")\" \"$(prog_path "$dst")\"${eol%$'\n'}|$name /q \"/LOG+:$(prog_path "$logs/m.log")\" $(prog_path "$clean") $(prog_path "$work/clean-out")${eol%$'\n'}" \
    "$(printf '%s|' "${heads[@]}" | sed -E "s/$stamp//g; s/[|]$//")"
{ printf '%s\n' "${heads[0]}"; cat "$work/log-run"; printf '==== Exit code 4%s%s\n' "$eol" "${heads[1]:-}"; cat "$work/stdout"; printf '==== Exit code 0%s' "$eol"; } >"$work/expected"
check "/log+: two runs' logs, each between its lines" cmp "$work/expected" "$logs/m.log"
check_eq "/log: exit 5" 5 "$(run_console /q "/log:$(prog_path "$logs/m.log")" "$(prog_path "$src/none")" "$(prog_path "$work/none-out")")"
check_eq "/log: replaces the file with this run's log" "1 Folders not read: 1${eol%$'\n'} ==== Exit code 5${eol%$'\n'}" \
    "$(grep -a -c -E "^$stamp" "$logs/m.log") $(tail -n 2 "$logs/m.log" | head -n 1) $(tail -n 1 "$logs/m.log")"
for bad in "$logs:a folder has that name" "$logs/none/m.log:its folder does not exist"; do
    check_eq "unwritable log file (${bad#*:}): the run's exit code" 4 \
        "$(run_console "/log+:$(prog_path "${bad%%:*}")" "$(prog_path "$src")" "$(prog_path "$dst")")"
    check "unwritable log file (${bad#*:}): the run's log" cmp "$work/log-run" "$work/stdout"
    check_eq "unwritable log file (${bad#*:}): one line" \
        "Please Wait...${eol}Cannot write the log file $(prog_path "${bad%%:*}") (${bad#*:})${eol}x" "$(cat "$work/stderr"; printf x)"
done
check_eq "/log: without a file: exit 2" 2 "$(run_console "/log:" a b)"
check "/log: without a file: its message" grep -q '^Quirewell: /log:FILE and /log+:FILE need a file name' "$work/stderr"
if [ -n "$window_program" ]; then
    check_eq "Quirewell.exe /q /log+: exit 4" 4 \
        "$(run_prog "$window_program" /q "/log+:$(prog_path "$logs/w.log")" "$(prog_path "$src")" "$(prog_path "$dst")" >/dev/null 2>&1; echo $?)"
    check_eq "Quirewell.exe /q /log+: the console's log between its lines" \
        "$(cat "$work/log-run"; printf '==== Exit code 4%s' "$eol")" "$(grep -a -v -E "^$stamp" "$logs/w.log")"
    check_eq "Quirewell.exe /q, unwritable log file: the run's exit code" 4 \
        "$(run_prog "$window_program" /q "/log+:$(prog_path "$logs")" "$(prog_path "$src")" "$(prog_path "$dst")" 2>"$work/stderr" >/dev/null; echo $?)"
    check "Quirewell.exe /q, unwritable log file: one line" grep -q -a -F "Cannot write the log file $(prog_path "$logs") (a folder has that name)" "$work/stderr"
fi

# Help, version and usage errors: help and version on standard output with exit 0; a command
# line that cannot be run gets one line and the usage line on standard error, and exit 2.
for switch in --help -h /?; do
    check_eq "$switch: exit 0" 0 "$(run_console "$switch")"
    check "$switch: the help names every switch and the exit codes" \
        bash -c 'for w in /l /q /n /w:N /d "Exit codes" Usage:; do grep -q -F -- "$w" "$0" || exit 1; done' "$work/stdout"
done
check_eq "--version: exit 0" 0 "$(run_console --version)"
check "--version: the version" grep -q -E '^quirewell [0-9]+\.[0-9]+\.[0-9]+'"${eol%$'\n'}"'$' "$work/stdout"
usage_error() {
    local what="$1"
    shift
    check_eq "$what: exit 2" 2 "$(run_console "$@")"
    check "$what: nothing on standard output" [ ! -s "$work/stdout" ]
    check_eq "$what: an error and the usage line" 2 "$(grep -c -E '^(Quirewell: |Usage: )' "$work/stderr")"
}
usage_error "no arguments"
usage_error "one argument" "$(prog_path "$src")"
usage_error "file mode" /f a b
check "file mode: its message" grep -q '^Quirewell: file mode (/f) is not supported' "$work/stderr"
usage_error "the window's preset" /auto:5 a b
check "the window's preset: its message" grep -q '^Quirewell: automatic merging (/auto:N) is Quirewell.exe' "$work/stderr"
usage_error "minutes to wait that are no minutes" /w:x a b
check "minutes to wait: its message" grep -q '^Quirewell: /w:N takes a whole number of minutes' "$work/stderr"
check_eq "a folder whose name begins with /auto: merged (missing: exit 5)" 5 "$(run_console /n "/auto-$$" "$(prog_path "$work/none")")"

# Sub-folders: /s takes them all, into the save folder; /s /h repeats them below it.
gen --tree "$(prog_path "$work/tree")" --faxes 6 --pages 2 --subdirs 3 --seed 11
check_eq "/s: exit 0" 0 "$(run_console /s "$(prog_path "$work/tree")" "$(prog_path "$work/flat")")"
check_eq "/s: every fax directly in the save folder" \
    "$(cd "$work/tree" && find . -type f | sed 's|.*/||; s/...\.FX.$/fax.fxm/' | LC_ALL=C sort -u)" \
    "$(cd "$work/flat" && find . -type f -name '*.fxm' | sed 's|^\./||' | LC_ALL=C sort)"
check_eq "/s /h: exit 0" 0 "$(run_console /S /H "$(prog_path "$work/tree")" "$(prog_path "$work/kept")")"
check_eq "/s /h: every fax in its own sub-folder" \
    "$(cd "$work/tree" && find . -type f | sed 's/...\.FX.$/fax.fxm/' | LC_ALL=C sort -u)" \
    "$(cd "$work/kept" && find . -type f -name '*.fxm' | LC_ALL=C sort)"
if [ -n "$window_program" ]; then
    check_eq "Quirewell.exe /q /s /h: exit 0" 0 \
        "$(run_prog "$window_program" /q /s /h "$(prog_path "$work/tree")" "$(prog_path "$work/kept-window")" >/dev/null 2>&1; echo $?)"
    check "Quirewell.exe /q /s /h gives the console's outputs" diff -r "$work/kept" "$work/kept-window"
fi
if [ -z "${QW_EMULATOR:-}" ]; then
    # A link to a folder of the tree (Wine makes none): merged once, skipped the second time.
    ln -s "$(find "$work/tree" -mindepth 1 -maxdepth 1 -type d | LC_ALL=C sort | head -n 1)" "$work/tree/zz-link"
    check_eq "/s with a link into the tree: exit 0" 0 "$(run_console /s "$work/tree" "$work/linked")"
    check "/s with a link into the tree: its skip line" grep -q -F "Skipped folder: $work/tree/zz-link (already merged as" \
        "$work/stdout"
    check "/s with a link into the tree: the same faxes" diff -r "$work/flat" "$work/linked"
fi

# Links planted in the save folder, Unix links under Wine too (which Wine follows whatever the
# flags): the lock file, a listed temporary and an output's place. Nothing they lead to is
# written, cut or removed, and the output takes the place of the link.
links="$work/links"
mkdir -p "$links/victim-folder"
printf 'victim' >"$work/victim.txt"
ln -s "$work/victim.txt" "$links/.quirewell.lock"
ln -s "$work/victim.txt" "$links/~qw0001"
printf '~qw0001\n' >"$links/.quirewell-0001.list"
ln -s "$work/victim.txt" "$links/F00001fax.fxm"
if [ -n "${QW_EMULATOR:-}" ]; then
    # Whose a Unix link is, Wine does not tell: a folder behind one is never entered.
    ln -s "$links/victim-folder" "$links/sub"
fi
check_eq "links in the save folder: exit 4, for the refused page file" 4 "$(run_console /s /h "$(prog_path "$src")" "$(prog_path "$links")")"
check "links in the save folder: what they lead to is as it was" [ "$(cat "$work/victim.txt")" = victim ]
check "links in the save folder: the lock file is a link, and said so" grep -q -a -F \
    "Cannot hold the save folder $(prog_path "$links") (its lock file is a link, a folder or no plain file)" "$work/stdout"
check "links in the save folder: the output took the link's place" bash -c '[ -f "$0" ] && [ ! -L "$0" ]' \
    "$links/F00001fax.fxm"
check "links in the save folder: the listed link is left alone" [ -L "$links/~qw0001" ]
if [ -n "${QW_EMULATOR:-}" ]; then
    check "links in the save folder: the folder behind a link gets nothing" bash -c '[ -z "$(ls -A "$0")" ]' \
        "$links/victim-folder"
    check "links in the save folder: its line" grep -q -a -F \
        "Not entered: $(prog_path "$links/sub") (a link whose owner cannot be told)" "$work/stdout"
fi

# The preview writes nothing and names the outputs the run then writes.
check_eq "preview: exit 4, as the run" 4 "$(run_console /n "$(prog_path "$src")" "$(prog_path "$work/preview")")"
check "preview: the save folder is not made" [ ! -e "$work/preview" ]
check "preview: sources unchanged" bash -c "cd \"\$0\" && find . -type f -exec sha256sum {} + | sort | cmp -s - \"\$1\"" "$src" "$work/sources.sha"
check_eq "preview: the outputs the run writes" "$(cd "$work/first" && ls | LC_ALL=C sort)" \
    "$(grep -a -v '^ ' "$work/stdout" | grep -a -o '[^\\/]*fax\.fxm' | LC_ALL=C sort)"

if [ -n "$window_program" ]; then
    check_eq "Quirewell.exe /q exit code" 4 \
        "$(run_prog "$window_program" /q "$(prog_path "$src")" "$(prog_path "$work/window")" >/dev/null 2>&1; echo $?)"
    check "Quirewell.exe /q gives the console's bytes" diff -r "$work/first" "$work/window"
fi
# Names in every language, in folders whose names end in a double-byte character whose second
# byte is a backslash in code page 932 or 936 ("表" 95 5C, "ソ" 83 5C, "淺" 9C 5C): one output a
# fax, named as the file system spells it, every page file in the log. The programs declare
# UTF-8, so every locale (and so every code page Wine gives) sees the same names.
names_pages=(表001.FXS 表002.FXS ソ002.FXR ソ003.FXR 淺001.fxd 淺002.fxd Łódź001.FXS Łódź002.FXS Lódz001.FXS
    传真001.FXS 传真002.FXS Ελλάδα001.FXS Ελλάδα002.FXS Zoë001.FXS Zoë002.FXS)
names_log() {
    local s="$1" d="$2" name count=0
    printf 'Source Dir: %s%sDestination Dir: %s%s%s' "$s" "$eol" "$d" "$eol" "$eol"
    while IFS= read -r name; do
        printf '%s%s%s -> %s%s%sfax.fxm%s' "$s" "$sep" "$name" "$d" "$sep" "${name:0:$((${#name} - 7))}" "$eol"
        count=$((count + 1))
    done < <(printf '%s\n' "${names_pages[@]}" | LC_ALL=C sort -f)
    printf '%s---------%sTotal merged WinFax files: %d%s' "$eol" "$eol" "$count" "$eol"
}
locales="C.UTF-8"
[ -n "${QW_EMULATOR:-}" ] && locales="en_US.UTF-8 ja_JP.UTF-8 zh_CN.UTF-8"
seed=20
for folder in in表 ソ in淺 Łódź; do
    mkdir -p "$work/names/$folder"
    for page in "${names_pages[@]}"; do
        seed=$((seed + 1))
        gen --seed "$seed" "$(prog_path "$work/names/$folder/page.FXR")"
        mv "$work/names/$folder/page.FXR" "$work/names/$folder/$page"
    done
done
for locale in $locales; do
    for folder in in表 ソ in淺 Łódź; do
        in="$(prog_path "$work/names/$folder")"
        out="$(prog_path "$work/names-out/$locale/$folder")"
        check_eq "$locale, folder $folder: exit 0" 0 "$(LC_ALL=$locale run_console "$in" "$out")"
        LC_ALL=C.UTF-8 names_log "$in" "$out" >"$work/expected"
        check "$locale, folder $folder: the log names every page file as it is spelt" cmp "$work/expected" "$work/stdout"
        check_eq "$locale, folder $folder: one output a fax" \
            "$(printf '%s\n' 表 ソ 淺 Łódź Lódz 传真 Ελλάδα Zoë | sed 's/$/fax.fxm/' | LC_ALL=C sort)" \
            "$(cd "$work/names-out/$locale/$folder" && ls | LC_ALL=C sort)"
        check "$locale, folder $folder: Łódź keeps its own two pages" grep -q 'well formed: 2 pages' \
            <(run_prog "$faxinfo" "$(prog_path "$work/names-out/$locale/$folder/Łódźfax.fxm")")
        if [ -n "$window_program" ]; then
            check_eq "$locale, folder $folder: Quirewell.exe /q exit 0" 0 \
                "$(LC_ALL=$locale run_prog "$window_program" /q "$in" "$(prog_path "$work/names-window")" >/dev/null 2>&1; echo $?)"
            check "$locale, folder $folder: Quirewell.exe /q gives the same outputs" \
                diff -r "$work/names-out/$locale/$folder" "$work/names-window"
            rm -rf "$work/names-window"
        fi
    done
done

if [ -n "${QW_NATIVE_CONSOLE:-}" ] && [ -x "$QW_NATIVE_CONSOLE" ]; then
    "$QW_NATIVE_CONSOLE" /q "$src" "$work/native" >/dev/null 2>&1
    check "the native console gives the same bytes" diff -r "$work/first" "$work/native"
fi

e2e_finish
