# Cross-compiling swu for 64-bit Windows with Debian's mingw-w64 (posix
# thread model).
#   cmake -B build-win/x86_64 -DCMAKE_TOOLCHAIN_FILE=$PWD/cmake/mingw-x86_64.cmake \
#         -DGTest_DIR=<a GoogleTest built with this file>/lib/cmake/GTest
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)

# Libraries and headers come only from the target's tree (a cross-built
# GoogleTest is named with -DGTest_DIR, since CMAKE_PREFIX_PATH is ignored
# in ONLY mode); programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No DLLs beside swu.exe: libstdc++, libgcc and winpthread are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# ctest runs the test executables through wine's loader for this word size
# (called directly: the wine wrapper script costs about 0.1 s a start).
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
