#pragma once

#include <cstdio>
#include <cstdlib>

// Aborts rather than throws, so that libFuzzer keeps the input.
inline void Check(bool condition, const char* what) {
    if (!condition) {
        (void)std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}
