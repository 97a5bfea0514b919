# Settings shared by both mingw-w64 toolchain files; QW_MINGW_TRIPLET names the target.
# Debian's mingw-w64 comes in a win32-thread and a posix-thread flavour, and the plain names
# point at whichever the machine's alternatives say; std::thread and std::mutex need the posix
# one, so it is named here rather than by changing the machine's alternatives.
set(CMAKE_C_COMPILER ${QW_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QW_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QW_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QW_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Tests of a Windows build run under Wine, in the project's own prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
