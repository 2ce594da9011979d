// The smallest test runner: CHECK records a failure with its line and goes on; main returns failures().
#pragma once

#include <cstdio>

namespace tavlo::test {

inline int& failure_count() {
    static int count = 0;
    return count;
}

inline int failures() {
    std::printf("%s\n", failure_count() == 0 ? "ok" : "FAILED");
    return failure_count() == 0 ? 0 : 1;
}

}  // namespace tavlo::test

#define CHECK(condition)                                                              \
    do {                                                                              \
        if (!(condition)) {                                                           \
            std::printf("%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            ++tavlo::test::failure_count();                                           \
        }                                                                             \
    } while (false)
