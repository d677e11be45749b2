# Cross-builds for 64-bit Windows with Debian's MinGW-w64 (the posix thread model, which
# std::thread needs). Used by tools/windows.sh.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
# Beside the system's MinGW files, the libraries built for Windows inside the build folder
# (freeglut, GoogleTest): tools/windows.sh names their prefix.
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${FARLIGHT_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
