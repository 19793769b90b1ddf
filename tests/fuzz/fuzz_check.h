#pragma once
// A property a fuzz target checks on every input: when it does not hold, the run ends as a crash
// that the fuzzer keeps, with what went wrong.

#include <cstdio>
#include <cstdlib>

namespace orvo::fuzz {

inline void Require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

}  // namespace orvo::fuzz
