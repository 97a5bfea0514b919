#!/usr/bin/env bash
# The Windows programs as shipped: the window program in the GUI subsystem and the others in the
# console subsystem, the manifest naming the build's processor, the UTF-8 code page, DPI
# awareness and the Windows versions supported, room above 2 GiB of memory (which a 32-bit
# program must ask for), and no DLL needed beside them.
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
# The icon's image for Explorer's large views: the header of a 256 by 256 PNG.
check "the icon holds a 256-pixel PNG image" env LC_ALL=C grep -q -a -P 'IHDR\x00\x00\x01\x00\x00\x00\x01\x00' "$gui"
# Windows 10's per-monitor DPI awareness, with the older form for the systems before it, and every
# Windows version from Vista to 11 named, in that order, so that none applies its behaviour for old
# programs.
supported_os="{e2011457-1546-43c5-a5fe-008deee3d3f0} {35138b9a-5d96-4fbd-8e2d-a2440225f93a}"
supported_os+=" {4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38} {1f676c76-80e1-4239-95bb-83d0f6d0da78}"
supported_os+=" {8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"
for program in "$gui" "$@"; do
    name="$(basename "$program")"
    check "$name runs in the UTF-8 code page" grep -q -a '<activeCodePage [^>]*>UTF-8</activeCodePage>' "$program"
    check "$name is per-monitor DPI aware (v2)" \
        grep -q -a '<dpiAwareness [^>]*>PerMonitorV2, PerMonitor</dpiAwareness>' "$program"
    check "$name is DPI aware before Windows 10" grep -q -a '<dpiAware [^>]*>true/pm</dpiAware>' "$program"
    found_os=$(grep -a -o '<supportedOS Id="{[^}]*}"/>' "$program" | grep -o '{[^}]*}' | paste -sd ' ')
    check_eq "$name names Windows Vista, 7, 8, 8.1 and 10/11" "$supported_os" "$found_os"
    check "$name is large address aware" grep -qx $'\tlarge address aware' <("$objdump" -p "$program")
done

system_dlls='^(kernel32|user32|gdi32|comctl32|ole32|shell32|advapi32|msvcrt|comdlg32|api-ms-win-.*)\.dll$'
for program in "$gui" "$@"; do
    extra=$("$objdump" -p "$program" | awk '/DLL Name:/ {print tolower($3)}' | grep -v -E "$system_dlls" || true)
    check_eq "$(basename "$program") needs no DLL beside it" "" "$extra"
done
e2e_finish
