# Cross-compiling for 64-bit Windows on Debian with mingw-w64 (the package
# g++-mingw-w64-x86-64-posix: its threads are those of the C++ standard
# library). The programs run on Linux under Wine, which is also how the
# tests are run (CMAKE_CROSSCOMPILING_EMULATOR).
#
#   cmake -S . -B build-windows -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DZV_ENGINE_ONLY=ON
#
# The window program also needs the libraries of scripts/windows-deps.sh
# (ZV_WINDOWS_DEPS) and Debian's Qt host tools (QT_HOST_PATH=/usr); see
# scripts/windows-test.sh.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZV_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZV_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZV_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ZV_MINGW_PREFIX}-windres)

# Libraries cross-compiled for Windows into folders of their own (Qt, curl
# and libjpeg-turbo from scripts/windows-deps.sh) are searched as roots
# beside the compiler's.
set(ZV_WINDOWS_DEPS "" CACHE STRING "Folders of libraries built for Windows")
set(CMAKE_FIND_ROOT_PATH /usr/${ZV_MINGW_PREFIX} ${ZV_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C and C++ runtimes go into each program, so that the programs run
# without the compiler's DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

find_program(ZV_WINE NAMES wine wine64)
if(ZV_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${ZV_WINE})
endif()
