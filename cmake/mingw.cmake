# Cross-build for Windows with mingw-w64. TAVRO_ARCH names the target:
#   i686    the program as shipped: 32-bit, as the vendor's vix32.dll is (the default);
#   x86_64  its twin, for testing only, on machines whose kernel runs no 32-bit code.
#           It cannot load the vendor's library and is never packaged for a workstation.
# scripts/builds.sh chooses which of them a machine builds and tests.
set(TAVRO_ARCH i686 CACHE STRING "Target: i686 (shipped) or x86_64 (test twin)")
set_property(CACHE TAVRO_ARCH PROPERTY STRINGS i686 x86_64)
if(NOT TAVRO_ARCH MATCHES "^(i686|x86_64)$")
  message(FATAL_ERROR "TAVRO_ARCH is '${TAVRO_ARCH}': i686 or x86_64")
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TAVRO_ARCH)
set(triplet ${TAVRO_ARCH}-w64-mingw32)

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${TAVRO_ARCH})

# The program and its stand-ins use the win32 thread model: the posix model links Debian's
# static libwinpthread, which imports GetTickCount64, and Windows XP refuses to load a
# program that imports it. The tests need std::mutex for GoogleTest and so the posix model:
# tests/ compiles and links with TAVRO_TEST_CXX_COMPILER.
set(CMAKE_C_COMPILER   ${triplet}-gcc-win32)
set(CMAKE_CXX_COMPILER ${triplet}-g++-win32)
set(CMAKE_RC_COMPILER  ${triplet}-windres)
set(TAVRO_TEST_CXX_COMPILER ${triplet}-g++-posix)

set(CMAKE_FIND_ROOT_PATH /usr/${triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Tests run through Wine's loader of the target's width (Debian's `wine` always picks the
# 32-bit one when it is installed); the prefix and display come from the environment.
if(TAVRO_ARCH STREQUAL "i686")
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine)
else()
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
endif()

# No runtime DLLs beside the program.
set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
