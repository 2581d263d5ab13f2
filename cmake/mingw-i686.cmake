# Cross build for 32-bit Windows with Debian's MinGW-w64 toolchain (package g++-mingw-w64-i686).
#   cmake -S . -B build-windows --toolchain cmake/mingw-i686.cmake
# The win32 thread model is enough: the library starts no threads, and thread_local storage works
# through libgcc's emulated TLS.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(VORDEX_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${VORDEX_MINGW_PREFIX}-gcc-win32)
set(CMAKE_CXX_COMPILER ${VORDEX_MINGW_PREFIX}-g++-win32)
set(CMAKE_RC_COMPILER ${VORDEX_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VORDEX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Double arithmetic in SSE2 registers, as on x86-64, so that results agree with the native build
# instead of carrying the x87 unit's 80-bit intermediates. Hosts compiled by other compilers may
# call with a stack aligned to 4 bytes only: realign where SSE spills need 16.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
# The C and C++ runtimes are linked in, so the DLL and the programs need only system DLLs.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
