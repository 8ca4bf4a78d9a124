#pragma once

// A failed invariant stops the fuzzer with the input that broke it.

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(Condition)                                                               \
  do {                                                                                      \
    if (!(Condition)) {                                                                     \
      std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #Condition); \
      std::abort();                                                                         \
    }                                                                                       \
  } while (false)
