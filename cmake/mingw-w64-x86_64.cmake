# Cross-compiling the Windows programs on Debian with MinGW-w64 (g++-mingw-w64-x86-64-posix: the
# POSIX thread model, which std::thread and std::mutex need). Programs made in the build (the bonus
# database's writer, the tests) run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ORRIN_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ORRIN_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORRIN_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ORRIN_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ORRIN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(ORRIN_WINE NAMES wine64 wine)
if(ORRIN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ORRIN_WINE})
endif()

# One file per program: the C and C++ runtimes and winpthreads linked in, only system DLLs needed.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
