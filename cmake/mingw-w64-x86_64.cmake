# Cross-compiles the tools for 64-bit Windows with MinGW-w64 (Debian: g++-mingw-w64-x86-64).
#   cmake -S . -B build-windows --toolchain cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TVC_MINGW_TRIPLET x86_64-w64-mingw32)
# The posix thread model: its C++ library has std::thread, which the test runner uses.
set(CMAKE_C_COMPILER ${TVC_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TVC_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TVC_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TVC_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A static runtime: sorbek.exe and ravnik.exe need no MinGW DLLs beside them on a bare Windows.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
