#pragma once
#include <cstdint>
#include <cstdio>

// A failed property: abort so libFuzzer keeps the input.
#define FUZZ_CHECK(cond)                                                                          \
    do {                                                                                          \
        if (!(cond)) {                                                                            \
            std::fprintf(stderr, "property failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__);     \
            __builtin_trap();                                                                     \
        }                                                                                         \
    } while (0)
