#!/usr/bin/env bash
# The Windows programs as shipped: the window program in the GUI subsystem and the others in the
# console subsystem, the manifest naming the build's processor and the UTF-8 code page, and no
# DLL needed beside them.
# Usage: windows_binaries_test.sh OBJDUMP ARCH GUI_EXE CONSOLE_EXE...
source "$(dirname "$0")/e2e_lib.sh"
objdump="$1"
arch="$2"
gui="$3"
shift 3

subsystem() { "$objdump" -p "$1" | awk '/^Subsystem/ {print $2}'; }
check_eq "$(basename "$gui") runs in the GUI subsystem" 00000002 "$(subsystem "$gui")"
for program in "$@"; do
    check_eq "$(basename "$program") runs in the console subsystem" 00000003 "$(subsystem "$program")"
done
check "the manifest names processor $arch" grep -q -a "processorArchitecture=\"$arch\"" "$gui"
check "the manifest asks for common controls 6" grep -q -a 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' "$gui"
for program in "$gui" "$@"; do
    check "$(basename "$program") runs in the UTF-8 code page" grep -q -a '<activeCodePage [^>]*>UTF-8</activeCodePage>' "$program"
done

system_dlls='^(kernel32|user32|gdi32|comctl32|ole32|shell32|advapi32|msvcrt|comdlg32|api-ms-win-.*)\.dll$'
for program in "$gui" "$@"; do
    extra=$("$objdump" -p "$program" | awk '/DLL Name:/ {print tolower($3)}' | grep -v -E "$system_dlls" || true)
    check_eq "$(basename "$program") needs no DLL beside it" "" "$extra"
done
e2e_finish
