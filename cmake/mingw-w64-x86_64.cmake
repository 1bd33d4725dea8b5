# Cross build for 64-bit Windows with Debian's MinGW-w64 compilers (the posix thread variant).
#   cmake -S . -B build-mingw -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# Programs link the C and C++ run-times statically, so they run without any DLL beside them;
# the test programs run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_brisvale_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_brisvale_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_brisvale_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_brisvale_triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_brisvale_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Runs the test programs (and GoogleTest's test discovery) on this machine. Debian's `wine`
# starts wine64 when no 32-bit Wine is installed.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(BRISVALE_WINE NAMES wine64 wine)
  if(BRISVALE_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${BRISVALE_WINE})
  endif()
endif()
