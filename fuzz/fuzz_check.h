// FuzzCheck: a property a fuzz target asserts on what the code under test returned.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace kestrova {

// Ends the run as a crash (libFuzzer keeps the input) when `holds` is false.
inline void FuzzCheck(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "fuzz property violated: %s\n", property);
  std::abort();
}

}  // namespace kestrova
