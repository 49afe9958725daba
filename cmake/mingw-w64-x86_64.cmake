# Cross-builds the core, datemark-cli and the core tests for 64-bit Windows with Debian's MinGW-w64
# (g++-mingw-w64-x86-64, the POSIX threads flavour that std::thread needs).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(DATEMARK_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${DATEMARK_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DATEMARK_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${DATEMARK_MINGW_PREFIX}-windres)

# Libraries and headers of the target only; programs (gzip, clang-format) of the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${DATEMARK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The executables carry their C and C++ runtimes, so that Wine (or a bare Windows) needs no DLL
# beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Run the test executable under Wine where CMake asks for an emulator.
find_program(DATEMARK_WINE wine64 wine)
if(DATEMARK_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${DATEMARK_WINE})
endif()
