#!/usr/bin/env bash
# Configures and builds one of the build trees.
#   build.sh release   GCC, optimised with debug information (build/release)
#   build.sh sanitize  clang with AddressSanitizer + UndefinedBehaviorSanitizer (build/sanitize)
#   build.sh fuzz      clang with libFuzzer targets (build/fuzz)
#   build.sh tsan      clang with ThreadSanitizer, only the thread tests (build/tsan)
#   build.sh windows   MinGW-w64 cross-build for 64-bit Windows: the core, datemark-cli.exe and the
#                      core tests, without the window (build/windows)
set -euo pipefail
cd "$(dirname "$0")/.."

kind=${1:-release}
case "$kind" in
release)
    cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++
    ;;
sanitize)
    cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
        -DDATEMARK_SANITIZE=ON -DDATEMARK_BENCH=OFF
    ;;
fuzz)
    cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
        -DDATEMARK_SANITIZE=ON -DDATEMARK_FUZZ=ON -DDATEMARK_TESTS=OFF -DDATEMARK_BENCH=OFF
    ;;
tsan)
    cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
        -DDATEMARK_TSAN=ON -DDATEMARK_BENCH=OFF
    cmake --build build/tsan --target datemark_thread_tests
    exit
    ;;
windows)
    # Lightly optimised, without debug information and with assertions on: the stage's time goes
    # to compiling, and debug information makes the static executables ten times larger.
    cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_CXX_FLAGS_RELEASE=-O1 -DCMAKE_C_FLAGS_RELEASE=-O1 \
        -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DDATEMARK_BENCH=OFF
    cmake --build build/windows --target datemark-cli datemark_core_tests
    exit
    ;;
*)
    echo "usage: $0 release|sanitize|fuzz|tsan|windows" >&2
    exit 2
    ;;
esac
cmake --build "build/$kind"
