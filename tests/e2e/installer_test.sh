#!/usr/bin/env bash
# The installer under Wine: a silent install puts the programs, the help and the uninstaller in
# Program Files with a Start-menu shortcut and an uninstall entry; the installed program merges a
# faxgen tree; the silent uninstall takes every file and the entry away again.
# The 32-bit installer on 64-bit Windows puts the programs in Program Files (x86) and its entry in
# the registry's 32-bit view.
# Usage: installer_test.sh ARCH INSTALLER FAXGEN FAXINFO
#        (ARCH win32 or win64; Windows programs, run through QW_EMULATOR)
source "$(dirname "$0")/e2e_lib.sh"
arch="$1"
installer="$2"
faxgen="$3"
faxinfo="$4"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
drive_c="${WINEPREFIX:?the prefix of the Windows tests}/drive_c"
programs="Program Files"
view=/reg:64
if [ "$arch" = win32 ]; then
    view=/reg:32
    grep -q '^#arch=win32' "$WINEPREFIX/system.reg" || programs="Program Files (x86)"
fi
install_dir="$drive_c/$programs/Quirewell"
shortcut="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Quirewell/Quirewell.lnk"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quirewell'

# A machine that had it before starts clean.
rm -rf "$install_dir" "$(dirname "$shortcut")"
run_prog reg delete "$key" "$view" /f >/dev/null 2>&1

run_prog "$installer" /S
check_eq "silent install exit code" 0 $?
for file in Quirewell.exe quirewell-cli.exe faxinfo.exe Quirewell.chm README.txt LICENSE.txt Uninstall.exe; do
    check "installed $file" [ -f "$install_dir/$file" ]
done
check "Start-menu shortcut" [ -f "$shortcut" ]
check "uninstall entry" bash -c "\"\$0\" reg query '$key' $view /v UninstallString 2>/dev/null | grep -q Uninstall.exe" "$QW_EMULATOR"

run_prog "$faxgen" --tree "$(prog_path "$work/in")" --faxes 3 --pages 2-3 >/dev/null
run_prog "C:\\$programs\\Quirewell\\Quirewell.exe" /q "$(prog_path "$work/in")" "$(prog_path "$work/out")" >/dev/null
check_eq "the installed program merges" 0 $?
mapfile -t outputs < <(cd "$work/out" && for f in *.fxm; do prog_path "$work/out/$f"; echo; done)
check_eq "three merged faxes" 3 "${#outputs[@]}"
check_eq "every merged fax is well formed" 0 "$(run_prog "$faxinfo" "${outputs[@]}" >/dev/null; echo $?)"

# The uninstaller copies itself away and goes on from there, so its end is waited for.
run_prog "C:\\$programs\\Quirewell\\Uninstall.exe" /S
for _ in $(seq 100); do
    [ -e "$install_dir" ] || break
    sleep 0.2
done
check "uninstall removes the folder" [ ! -e "$install_dir" ]
check "uninstall removes the shortcut" [ ! -e "$(dirname "$shortcut")" ]
check "uninstall removes the entry" bash -c "! \"\$0\" reg query '$key' $view >/dev/null 2>&1" "$QW_EMULATOR"

e2e_finish
