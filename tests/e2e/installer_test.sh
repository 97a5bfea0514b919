#!/usr/bin/env bash
# The installers under Wine. NSIS: a silent install puts the programs, the help and the uninstaller
# in Program Files with a Start-menu shortcut and an uninstall entry, and starts nothing; the
# installed program merges a faxgen tree; a silent upgrade closes the running copies, one of them
# in the middle of a merge that it finishes first, puts the new files in place and starts each copy
# again with its own command line; one that a program still in use keeps from replacing the files
# fails with exit code 2 and changes nothing; the silent uninstall closes the running copies and
# takes every file and the entry away. The MSI: installed, upgraded by a later version (one entry),
# and removed, silently. The earlier version (A) is the same programs packed as 2.2.0 with a README
# of its own, so that the new files can be told from the old.
# The 32-bit installer on 64-bit Windows puts the programs in Program Files (x86) and its entry in
# the registry's 32-bit view.
# Usage: installer_test.sh ARCH INSTALLER MSI STAGE FAXGEN FAXINFO
#        (ARCH win32 or win64; Windows programs, run through QW_EMULATOR)
source "$(dirname "$0")/e2e_lib.sh"
arch="$1"
installer="$2"
msi="$3"
stage="$4"
faxgen="$5"
faxinfo="$6"
drive_c="${WINEPREFIX:?the prefix of the Windows tests}/drive_c"
programs="Program Files"
view=/reg:64
if [ "$arch" = win32 ]; then
    view=/reg:32
    grep -q '^#arch=win32' "$WINEPREFIX/system.reg" || programs="Program Files (x86)"
fi
install_dir="$drive_c/$programs/Quirewell"
program="C:\\$programs\\Quirewell\\Quirewell.exe"
shortcut="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Quirewell/Quirewell.lnk"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
key="$uninstall_key\\Quirewell"

cp -r "$stage" "$work/stage-a"
sed -i '1s/.*/Quirewell 2.2.0 (A)\r/' "$work/stage-a/README.txt"
"$(dirname "$0")/../../scripts/make-packages" "$arch" 2.2.0 "$work/stage-a" "$work/a" >/dev/null

# Polls `$@` every 0.2 s for up to 60 s; true once it held.
wait_for() {
    for _ in $(seq 300); do
        "$@" && return 0
        sleep 0.2
    done
    return 1
}
# The process ids of the Windows programs whose command line is $1 (Wine shows it, padded with blanks).
running() {
    for process in /proc/[0-9]*; do
        [ "$(tr '\0' ' ' 2>/dev/null <"$process/cmdline" | sed 's/ *$//')" = "$1" ] && basename "$process"
    done
}
# One program runs with command line $1, and not the one that ran before the upgrade.
declare -A before
runs_again() {
    local now
    now="$(running "$1")"
    [ -n "$now" ] && [ "$now" != "${before[$1]}" ] && [ "$(wc -l <<<"$now")" -eq 1 ]
}
merged() { [ "$(find "$1" -name '*.fxm' 2>/dev/null | wc -l)" -ge "$2" ]; }
installed_from() { cmp -s "$install_dir/README.txt" "$1/README.txt"; }
# The Start-menu folder and shortcut, wherever they are: Wine's msiexec puts even a per-machine
# package's shortcuts into the user's Start menu.
menu() { find "$drive_c/ProgramData" "$drive_c/users" -path '*/Start Menu/Programs/Quirewell*' | sed 's|.*/Programs/||'; }
entries() { run_prog reg query "$uninstall_key" /s $view 2>/dev/null | grep -c 'DisplayName.*Quirewell'; }

# A machine that had it before starts clean, without the MSI of an earlier run too.
run_prog reg query "$uninstall_key" /s $view 2>/dev/null | tr -d '\r' |
    awk '/^HKEY/ { key = $0 } /DisplayName.*Quirewell/ { sub(/.*\\/, "", key); print key }' | grep '^{' |
    while read -r product; do run_prog msiexec /x "$product" /qn; done
rm -rf "$install_dir" "$(dirname "$shortcut")"
run_prog reg delete "$key" "$view" /f >/dev/null 2>&1

run_prog "$work/a/Quirewell-2.2.0-$arch-setup.exe" /S
check_eq "silent install exit code" 0 $?
for file in Quirewell.exe quirewell-cli.exe faxinfo.exe quirewell-restart.exe Quirewell.chm README.txt LICENSE.txt \
    Uninstall.exe; do
    check "installed $file" [ -f "$install_dir/$file" ]
done
check "Start-menu shortcut" [ -f "$shortcut" ]
check "uninstall entry" bash -c "\"\$0\" reg query '$key' $view /v UninstallString 2>/dev/null | grep -q Uninstall.exe" "$QW_EMULATOR"

run_prog "$faxgen" --tree "$(prog_path "$work/in")" --faxes 3 --pages 2-3 >/dev/null
run_prog "$program" /q "$(prog_path "$work/in")" "$(prog_path "$work/out")" >/dev/null
check_eq "the installed program merges" 0 $?
mapfile -t outputs < <(cd "$work/out" && for f in *.fxm; do prog_path "$work/out/$f"; echo; done)
check_eq "three merged faxes" 3 "${#outputs[@]}"
check_eq "every merged fax is well formed" 0 "$(run_prog "$faxinfo" "${outputs[@]}" >/dev/null; echo $?)"

# Two copies run, one of them idle and one in the middle of a merge, when the upgrade comes.
run_prog "$faxgen" --tree "$(prog_path "$work/big")" --faxes 1500 --pages 3 >/dev/null
run_prog "$program" /auto:60 "$(prog_path "$work/in")" "$(prog_path "$work/idle")" >/dev/null 2>&1 &
check "the idle copy has merged" wait_for merged "$work/idle" 3
run_prog "$program" /auto:60 "$(prog_path "$work/big")" "$(prog_path "$work/busy")" >/dev/null 2>&1 &
# As Wine shows their command lines.
idle="$program /auto:60 $(prog_path "$work/in") $(prog_path "$work/idle")"
busy="$program /auto:60 $(prog_path "$work/big") $(prog_path "$work/busy")"
check "the busy copy merges" wait_for merged "$work/busy" 1
for copy in "$idle" "$busy"; do
    before[$copy]="$(running "$copy")"
done
check "the busy copy is still merging" bash -c '[ "$(find "$0" -name "*.fxm" | wc -l)" -lt 1500 ]' "$work/busy"
run_prog "$installer" /S
check_eq "silent upgrade exit code" 0 $?
check "the upgrade put the new files in place" installed_from "$stage"
check "the busy copy finished its merge first" merged "$work/busy" 1500
for copy in "$idle" "$busy"; do
    check "the copy closed and runs again, once, with its command line: $copy" wait_for runs_again "$copy"
done

# A program of the installation still in use, which no message closes (a command-line run whose
# result box is still open), keeps its files: the silent upgrade fails rather than report success.
run_prog "$program" "$(prog_path "$work/in")" "$(prog_path "$work/boxed")" >/dev/null 2>&1 &
boxed="$program $(prog_path "$work/in") $(prog_path "$work/boxed")"
check "the command-line run has merged" wait_for merged "$work/boxed" 3
run_prog "$work/a/Quirewell-2.2.0-$arch-setup.exe" /S
check_eq "a silent upgrade that cannot replace the files fails" 2 $?
check "and leaves the files as they were" installed_from "$stage"
kill -9 $(running "$boxed")

run_prog "C:\\$programs\\Quirewell\\Uninstall.exe" /S
# The uninstaller copies itself away and goes on from there, so its last step is waited for.
check "uninstall removes the entry" wait_for bash -c "! \"\$0\" reg query '$key' $view >/dev/null 2>&1" "$QW_EMULATOR"
check "uninstall removes the folder" [ ! -e "$install_dir" ]
check "uninstall removes the shortcut" [ ! -e "$(dirname "$shortcut")" ]
check_eq "uninstall closed the copies and started none" "" "$(running "$idle")$(running "$busy")"
run_prog "$stage/quirewell-cli.exe" /q "$(prog_path "$work/big")" "$(prog_path "$work/cli")"
check "the merge that finished first wrote what a whole run writes" diff -r -x '.quirewell*' "$work/busy" "$work/cli"

# The MSI, silently: installed, upgraded by a later version, removed.
run_prog msiexec /i "$(prog_path "$work/a/Quirewell-2.2.0-$arch.msi")" /qn
check_eq "MSI install exit code" 0 $?
check "the MSI installed version A" installed_from "$work/stage-a"
check_eq "the MSI's Start-menu shortcut" $'Quirewell\nQuirewell/Quirewell.lnk' "$(menu)"
check_eq "one uninstall entry" 1 "$(entries)"
run_prog msiexec /i "$(prog_path "$msi")" /qn
check_eq "MSI upgrade exit code" 0 $?
check "the MSI upgrade put the new files in place" installed_from "$stage"
check_eq "still one uninstall entry" 1 "$(entries)"
run_prog msiexec /x "$(prog_path "$msi")" /qn
check_eq "MSI removal exit code" 0 $?
check "the MSI removal takes the folder" [ ! -e "$install_dir" ]
check_eq "and the shortcut" "" "$(menu)"
check_eq "and the entry" 0 "$(entries)"
check_eq "the MSI gives each program its version" 4 "$(msiinfo export "$msi" File |
    awk -F'\t' '$3 ~ /\.exe$/ && $5 ~ /^[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$/ { n++ } END { print n + 0 }')"

e2e_finish
