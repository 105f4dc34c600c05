# Cross-build for 32-bit Windows with mingw-w64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

# The program and its stand-ins use the win32 thread model: the posix model links Debian's
# static libwinpthread, which imports GetTickCount64, and Windows XP refuses to load a
# program that imports it. The tests need std::mutex for GoogleTest and so the posix model:
# tests/ compiles and links with TAVRO_TEST_CXX_COMPILER.
set(CMAKE_C_COMPILER   i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER  i686-w64-mingw32-windres)
set(TAVRO_TEST_CXX_COMPILER i686-w64-mingw32-g++-posix)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Tests run through Wine; the prefix and display come from the environment.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)

# No runtime DLLs beside the program.
set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
