// The error that a call of the port must raise, for tests that check its codes.
#pragma once

#include "comport/com_error.h"

#include <gtest/gtest.h>

namespace kestrova {

// The EComPort that `f` raises; a call that raises none fails the test.
template <typename F>
EComPort Raised(F f) {
  try {
    f();
  } catch (const EComPort& e) {
    return e;
  }
  ADD_FAILURE() << "no EComPort";
  return EComPort::CreateWithoutSystemError(errAsyncStatus);
}

}  // namespace kestrova
