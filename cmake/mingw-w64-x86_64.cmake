# Cross build for 64-bit Windows with Debian's MinGW-w64 (the -posix compilers,
# whose libstdc++ has std::thread), run under Wine.
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KALORA_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KALORA_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KALORA_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${KALORA_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KALORA_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs that stand alone: the C and C++ runtimes and winpthread linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs, and GoogleTest's discovery of their tests, run under Wine.
find_program(KALORA_WINE NAMES wine64 wine PATHS /usr/lib/wine /usr/bin NO_DEFAULT_PATH)
if(KALORA_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KALORA_WINE})
endif()

# The static Qt that scripts/qt-windows.sh builds, when given (-DKALORA_QT_PREFIX=...):
# its packages are found beside MinGW's, its host tools (moc, rcc, uic) are the system's.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KALORA_QT_PREFIX)
if(KALORA_QT_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH ${KALORA_QT_PREFIX})
  set(QT_HOST_PATH /usr)
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
endif()
