# Cross-building for 64-bit Windows with Debian's mingw-w64, the POSIX
# threads flavour (std::thread and std::mutex on winpthreads), C++20.
#
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DTULEX_CROSS_PREFIX=/path/to/prefix
#
# TULEX_CROSS_PREFIX holds what the cross build finds besides the compiler's
# own files: GoogleTest built for Windows and the nlohmann-json headers
# (scripts/build-windows prepares it). The host's /usr/include is never
# searched, so no glibc header can slip in.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TULEX_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TULEX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TULEX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TULEX_MINGW_TRIPLE}-windres)

set(TULEX_CROSS_PREFIX "" CACHE PATH "Prefix with the Windows builds of the libraries the project uses")
set(CMAKE_FIND_ROOT_PATH /usr/${TULEX_MINGW_TRIPLE})
if(TULEX_CROSS_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH ${TULEX_CROSS_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program is linked statically (libgcc, libstdc++, winpthreads), so it
# needs no DLL beside Windows' own.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
