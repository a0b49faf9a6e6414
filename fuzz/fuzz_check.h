// FuzzCheck: a property a fuzz target asserts on what the code under test returned; RunOneOf:
// one of a target's parts, chosen by the input.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>

namespace kestrova {

// Ends the run as a crash (libFuzzer keeps the input) when `holds` is false.
inline void FuzzCheck(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "fuzz property violated: %s\n", property);
  std::abort();
}

// Runs the part the input's first choice names on the rest of the input.
inline void RunOneOf(FuzzedDataProvider& input, std::initializer_list<void (*)(FuzzedDataProvider&)> parts) {
  const int chosen = input.ConsumeIntegralInRange<int>(0, static_cast<int>(parts.size()) - 1);
  parts.begin()[chosen](input);
}

}  // namespace kestrova
