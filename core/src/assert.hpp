// Invariants of the core, checked where they are established. TAVLO_ASSERT is active when the core is built
// with TAVLO_ASSERTIONS (the test and sanitizer builds turn it on) and compiles to nothing otherwise, so
// release builds pay nothing. A failed invariant is a fault of this library, never of the caller's data:
// user input is refused with a TavloError long before any assertion could see it.
#pragma once

#ifdef TAVLO_ASSERTIONS
#include <cstdio>
#include <cstdlib>

#define TAVLO_ASSERT(condition)                                                                                  \
    ((condition) ? void(0)                                                                                       \
                 : (std::fprintf(stderr, "%s:%d: tavlo invariant failed: %s\n", __FILE__, __LINE__, #condition), \
                    std::abort()))
#else
#define TAVLO_ASSERT(condition) static_cast<void>(sizeof(!(condition)))  // never evaluated
#endif
