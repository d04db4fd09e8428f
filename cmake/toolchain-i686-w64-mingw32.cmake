# Cross-compiles the 32-bit Windows console program with Debian's MinGW-w64
# (package g++-mingw-w64-i686). The win32 thread model keeps the program
# free of winpthread, so it imports only system DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(BRISQUEL_MINGW_PREFIX i686-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${BRISQUEL_MINGW_PREFIX}-gcc-win32 ${BRISQUEL_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${BRISQUEL_MINGW_PREFIX}-g++-win32 ${BRISQUEL_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${BRISQUEL_MINGW_PREFIX}-windres REQUIRED)
find_program(CMAKE_AR NAMES ${BRISQUEL_MINGW_PREFIX}-gcc-ar-win32 ${BRISQUEL_MINGW_PREFIX}-ar REQUIRED)
find_program(CMAKE_RANLIB NAMES ${BRISQUEL_MINGW_PREFIX}-gcc-ranlib-win32 ${BRISQUEL_MINGW_PREFIX}-ranlib REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${BRISQUEL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything the compiler brings along is linked in: the program needs no
# DLL beyond those of Windows itself.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
