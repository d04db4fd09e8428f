// A failed property check in a fuzz target: print what broke and abort, so
// that libFuzzer keeps the input as a crash.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace brisquel {

#define FUZZ_CHECK(condition, what)                                                   \
  do {                                                                                \
    if (!(condition)) {                                                               \
      std::fprintf(stderr, "check failed: %s (%s:%d): %s\n", #condition, __FILE__, __LINE__, \
                   std::string(what).c_str());                                       \
      std::abort();                                                                   \
    }                                                                                 \
  } while (false)

}  // namespace brisquel
