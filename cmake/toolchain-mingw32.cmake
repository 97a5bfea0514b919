# Cross-compiles the 32-bit Windows programs (i686) with Debian's mingw-w64 (posix threads).
# Tests of this build run under 32-bit Wine through scripts/wine-run, where the machine runs
# 32-bit code.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(QW_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
