// Exception classes of the handling flow: the silent abort and the frozen main thread.
#pragma once

#include <exception>
#include <stdexcept>
#include <string>

namespace kestrova {

// The silent abort: raised to leave an operation without any message. Never reported; a
// class derived from it is silent as well.
class EAbort : public std::runtime_error {
 public:
  EAbort() : std::runtime_error("Operation aborted") {}
};

// Made by the freeze watchdog for a main thread that stopped answering; its message is the
// HangMessage option.
class EFrozenApplication final : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// True for an exception object (a std::exception) that is not of the silent abort class; an
// empty pointer and a thrown value of any other type are no exception in this sense.
bool IsReportableException(const std::exception_ptr& exception);

// True when the object is of the silent abort class (or a class derived from it).
bool IsSilentAbort(const std::exception_ptr& exception);

}  // namespace kestrova
