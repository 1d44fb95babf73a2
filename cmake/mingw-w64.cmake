# Cross-building for 64-bit Windows with Debian's mingw-w64, the posix thread
# model (std::thread and std::mutex need it). What the build makes runs under
# Wine: ctest starts every test program through tools/wine-run.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(DRILL_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${DRILL_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DRILL_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${DRILL_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${DRILL_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(DRILL_WINE NAMES wine REQUIRED)
# In a prefix of the build's own, on an X server of its own.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run)

# One .exe that needs no DLL beside it: the C++ and thread runtimes are
# linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
