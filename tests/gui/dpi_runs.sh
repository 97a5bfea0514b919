#!/usr/bin/env bash
# The window layout checks of gui_tests.exe (the tests named "...AtTheCurrentDpi") at 96, 120, 144
# and 192 DPI. They run in a Wine prefix and on a display of their own, so that the prefix the
# other tests share keeps its DPI and no window of theirs meets one of these. That prefix is the
# shared one's twin, of the same architecture (WINEARCH), beside it.
# Usage: dpi_runs.sh GUI_TESTS_EXE
set -euo pipefail
gui_tests="$1"
repo="$(cd "$(dirname "$0")/../.." && pwd)"
export WINEPREFIX="${WINEPREFIX:-$repo/build/wineprefix}-dpi"
unset QW_KEEP_DISPLAY
# The screen of a laptop at 200 %: 1280 by 800 at 96 DPI, where the main window fits at any scale.
export QW_SCREEN=2560x1600x24
# shellcheck source=scripts/wine-env
source "$repo/scripts/wine-env"
# The fonts of Windows dialogs, MS Sans Serif and Tahoma, as a Windows user has them; the other
# tests measure the same windows at 96 DPI with the wider fonts Wine takes in their place.
qw_wine_fonts

status=0
for dpi in 96 120 144 192; do
    qw_wine_dpi "$dpi"
    echo "== $dpi DPI"
    # The tests compare the DPI they find with QW_DPI, so a setting that did not take fails.
    QW_DPI="$dpi" "$repo/scripts/wine-run" "$gui_tests" --gtest_filter='*AtTheCurrentDpi*' || status=1
done
exit "$status"
