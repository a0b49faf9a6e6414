// The entry of every capture path: ExceptionManager and the handling entry.
#pragma once

#include <cstdint>
#include <exception>

#include "excreport/flow/handling_request.h"

// Exported from the executable by name. `exception` points to the exception (null: none),
// `address` is where it was raised (0: taken from its throw site), `raiserKind` says who
// hands it in (0 run-time paths, 1 the application object, 2 web hosts), `moduleHandle` the
// module that asks. Returns true when the exception was not taken and the caller shall go on
// with its own handling, false when it was reported or swallowed. Never throws.
extern "C" __attribute__((visibility("default"))) bool ExceptionManager(const std::exception_ptr* exception,
                                                                        std::uintptr_t address,
                                                                        std::uint8_t raiserKind,
                                                                        std::uintptr_t moduleHandle) noexcept;

namespace kestrova {

// The handling entry, on the thread that raised the exception: takes the handler lock, brings
// the main window forward, notes the focused control, and runs the report procedure on a
// TExceptionThread while this thread waits (pumping its events on the GUI thread). An
// exception raised on a thread that is already inside the entry is swallowed (false). Returns
// true when the exception was not taken. Never throws.
bool HandleExceptionRequest(HandlingRequest& request) noexcept;

// What ExceptionManager does, with the caught kind of the capture path (2: the exception
// escaped a thread body). Never throws.
bool ManageException(const std::exception_ptr& exception, std::uintptr_t address, std::uint8_t raiserKind,
                     std::uintptr_t moduleHandle, std::uint8_t caughtKind) noexcept;

// A request for an exception caught on this thread: its stack is the throw site recorded by
// the __cxa_throw hook when it belongs to this exception, else the current stack.
HandlingRequest RequestForCaughtException(const std::exception_ptr& exception, std::uintptr_t address,
                                          std::uint8_t raiserKind, std::uintptr_t moduleHandle);

}  // namespace kestrova
