#pragma once
// Failed expectations in a fuzz target: abort, so that libFuzzer keeps the
// input and the replay run fails.
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond)                                                                                     \
    do {                                                                                                     \
        if (!(cond)) {                                                                                       \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);                    \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (0)
