// The subsystem's events: handler objects registered by the program and one global procedure
// variable per event.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "excreport/report/report_data.h"

namespace kestrova {

// What the events receive about the exception being reported.
struct TQuillExceptionRecord {
  std::exception_ptr Exception;
  std::uintptr_t Address = 0;
  std::uint32_t ThreadId = 0;
  std::vector<ThreadStack> Stacks;  // the exception thread first
};

// The state of the program at the exception, noted by the thread that raised it.
struct TExceptNotifyParams {
  bool HasContext = false;
  RegisterContext Context;
  std::uintptr_t StackTop = 0;
  std::uintptr_t Frame = 0;
  std::uint32_t ThreadId = 0;
  std::string ControlClass;
  std::string ControlText;  // a password edit's text as as many "*" as it has characters
};

// Action numbers of OnActionNotify.
enum QuillAction : int {
  kActionBeforeShow = 0,
  kActionAfterShow = 1,
  kActionBeforeLogSave = 2,
  kActionAfterLogSave = 3,
  kActionBeforeEmail = 4,
  kActionAfterEmail = 5,  // after a failed attempt (retry flag) and after the delivery (success)
  kActionBeforeWeb = 6,
  kActionAfterWeb = 7,  // after a failed attempt (retry flag) and after the delivery (success)
  kActionTerminateRequested = 8,
};

// One subscriber: each assigned member receives its event. Handlers run on the thread that
// raised the exception (as the handling flow's pending call); their exceptions are swallowed.
struct TQuillmarkEvents {
  std::function<void(const TQuillExceptionRecord&, bool& handle)> OnExceptionNotify;
  std::function<void(const TQuillExceptionRecord&, std::string& text)> OnCustomDataRequest;
  std::function<void(const TQuillExceptionRecord&, std::vector<std::string>& files)> OnAttachedFilesRequest;
  std::function<void(const TQuillExceptionRecord&, std::vector<std::string>& names,
                     std::vector<std::string>& values)>
      OnCustomWebFieldsRequest;
  std::function<void(const TQuillExceptionRecord&, int action, bool& flag)> OnActionNotify;
  std::function<void(const TQuillExceptionRecord&, int action, bool& retry)> OnActionError;
};

// Subscribes `handlers` (owned by the caller, which unregisters it before freeing it).
void RegisterEventHandlers(const TQuillmarkEvents* handlers);
void UnregisterEventHandlers(const TQuillmarkEvents* handlers);

// The global procedure variables, delivered after the registered objects. Set them before the
// first exception or from the GUI thread while no report runs.
TQuillmarkEvents& GlobalEvents();

// Runs a handler call on the thread the event belongs to (see RunOnExceptionThread).
using EventRunner = std::function<void(const std::function<void()>&)>;

// Delivers one event: to the registered objects in reverse order of registration, then to the
// global variable, each with its own copy of the record and through `run`. Returns false, and
// calls nothing, when no one assigned the event.
template <class Event, class... Args>
bool FireEvent(Event TQuillmarkEvents::*event, const TQuillExceptionRecord& record, const EventRunner& run,
               Args&... args);

// The assigned handlers of an event, in delivery order.
std::vector<const TQuillmarkEvents*> EventSubscribers();

template <class Event, class... Args>
bool FireEvent(Event TQuillmarkEvents::*event, const TQuillExceptionRecord& record, const EventRunner& run,
               Args&... args) {
  bool fired = false;
  for (const TQuillmarkEvents* handlers : EventSubscribers()) {
    const Event& handler = handlers->*event;
    if (!handler) continue;
    fired = true;
    run([&] {
      try {
        TQuillExceptionRecord copy = record;
        handler(copy, args...);
      } catch (...) {
        // A failing handler does not stop the report.
      }
    });
  }
  return fired;
}

}  // namespace kestrova
