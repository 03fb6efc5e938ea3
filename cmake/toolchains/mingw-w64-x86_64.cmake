# Cross-building for 64-bit Windows with Debian's mingw-w64 (posix thread
# model, so std::thread and std::mutex work) and running what was built under
# wine: tests, test discovery and the build-time tools alike.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_ombrex_triple x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${_ombrex_triple}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${_ombrex_triple}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${_ombrex_triple}-windres REQUIRED)

# Libraries for Windows come from the mingw root, and from any other root
# given on the command line (-DCMAKE_FIND_ROOT_PATH=<vcpkg>/installed/x64-mingw-static).
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${_ombrex_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything linked statically: a built program needs no mingw runtime DLLs
# beside it, on a real machine as under wine.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Debian installs the 64-bit loader as wine64 (and the wrapper "wine" only with
# the 32-bit package).
find_program(OMBREX_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(OMBREX_WINE)
  # A prefix of the build tree's own, so a run never touches the user's wine
  # set-up and a fresh checkout starts from a fresh prefix. Wine's debug
  # chatter and its offers to install Mono and Gecko stay out of the test
  # output.
  set(OMBREX_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH "Wine prefix of this build")
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${CMAKE_COMMAND} -E env WINEPREFIX=${OMBREX_WINEPREFIX} WINEDEBUG=-all
      WINEDLLOVERRIDES=mscoree,mshtml= ${OMBREX_WINE})
endif()
