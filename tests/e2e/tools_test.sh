#!/usr/bin/env bash
# faxgen writes every kind of page file and faxinfo judges each one as it should, with the exit
# status a script relies on. Usage: tools_test.sh FAXGEN FAXINFO
source "$(dirname "$0")/e2e_lib.sh"
faxgen="$1"
faxinfo="$2"

status_of() {
    run_prog "$@" >"$work/out.txt" 2>&1
    echo $?
}

for kind in consistent multi trailing nosig short empty; do
    check "faxgen --kind $kind" [ "$(status_of "$faxgen" --kind "$kind" --seed 3 "$(prog_path "$work/$kind.FXR")")" = 0 ]
done
check "empty file is empty" [ ! -s "$work/empty.FXR" ]
check "short file is short" [ "$(stat -c %s "$work/short.FXR")" -lt 128 ]

for kind in consistent multi; do
    check_eq "faxinfo $kind is well formed" 0 "$(status_of "$faxinfo" "$(prog_path "$work/$kind.FXR")")"
done
check "faxinfo shows three pages" grep -q "well formed: 3 pages" "$work/out.txt"
for kind in trailing nosig short empty; do
    check_eq "faxinfo $kind is not well formed" 1 "$(status_of "$faxinfo" "$(prog_path "$work/$kind.FXR")")"
done
check_eq "faxinfo with one bad file among good ones" 1 \
    "$(status_of "$faxinfo" "$(prog_path "$work/consistent.FXR")" "$(prog_path "$work/nosig.FXR")")"
# A fax larger than a 32-bit program's memory is judged from its headers alone.
cp "$work/consistent.FXR" "$work/huge.FXR" && truncate -s 5G "$work/huge.FXR"
check_eq "faxinfo on a 5 GiB fax" 1 "$(status_of "$faxinfo" "$(prog_path "$work/huge.FXR")")"
check "faxinfo tells where the chain of the 5 GiB fax ends" \
    grep -q "not well formed: the last page ends at [0-9]*, the file at 5368709120" "$work/out.txt"
check_eq "faxinfo on a missing file" 1 "$(status_of "$faxinfo" "$(prog_path "$work/absent.FXR")")"
check_eq "faxinfo without arguments" 2 "$(status_of "$faxinfo")"
check_eq "faxgen with an unknown option" 2 "$(status_of "$faxgen" --colour red x)"

# The same seed gives the same bytes; another seed gives others.
run_prog "$faxgen" --seed 3 "$(prog_path "$work/again.FXR")"
run_prog "$faxgen" --seed 4 "$(prog_path "$work/other.FXR")"
check "same seed, same bytes" cmp -s "$work/consistent.FXR" "$work/again.FXR"
check "other seed, other bytes" bash -c "! cmp -s \"\$0\" \"\$1\"" "$work/consistent.FXR" "$work/other.FXR"

# A tree: faxes spread over sub-directories, every page file well formed.
check_eq "faxgen --tree" 0 "$(status_of "$faxgen" --tree "$(prog_path "$work/tree")" --faxes 6 --pages 2-3 --subdirs 2)"
check_eq "tree files" 2 "$(find "$work/tree" -mindepth 1 -maxdepth 1 -type d | wc -l)"
pages=$(find "$work/tree" -name '*.FXR' | wc -l)
check "tree holds 12 to 18 page files" [ "$pages" -ge 12 ] && [ "$pages" -le 18 ]
first="$(find "$work/tree" -name '*.FXR' | sort | head -1)"
check_eq "a tree page file is well formed" 0 "$(status_of "$faxinfo" "$(prog_path "$first")")"

e2e_finish
