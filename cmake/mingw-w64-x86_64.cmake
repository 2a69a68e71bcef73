# Cross-builds Kestrel for 64-bit Windows with MinGW-w64 (Debian:
# g++-mingw-w64-x86-64-posix, the variant with POSIX threads, which
# std::thread and std::this_thread need).
#
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#
# Programs are linked statically (the C++ and threads run-time libraries
# included), so kestrel.exe needs no DLL beyond those of Windows itself.
# The tests run under Wine when it is installed (CMAKE_CROSSCOMPILING_EMULATOR).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KESTREL_MINGW_PREFIX x86_64-w64-mingw32)
find_program(KESTREL_MINGW_CXX NAMES ${KESTREL_MINGW_PREFIX}-g++-posix ${KESTREL_MINGW_PREFIX}-g++
             REQUIRED)
find_program(KESTREL_MINGW_CC NAMES ${KESTREL_MINGW_PREFIX}-gcc-posix ${KESTREL_MINGW_PREFIX}-gcc
             REQUIRED)
set(CMAKE_CXX_COMPILER ${KESTREL_MINGW_CXX})
# GoogleTest's own project enables C as well.
set(CMAKE_C_COMPILER ${KESTREL_MINGW_CC})
set(CMAKE_RC_COMPILER ${KESTREL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KESTREL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(KESTREL_WINE NAMES wine wine64)
if(KESTREL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KESTREL_WINE})
endif()
