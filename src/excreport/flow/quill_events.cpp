#include "excreport/flow/quill_events.h"

#include <algorithm>
#include <mutex>

namespace kestrova {
namespace {

std::mutex registrationMutex;
std::vector<const TQuillmarkEvents*> registered;

}  // namespace

void RegisterEventHandlers(const TQuillmarkEvents* handlers) {
  std::lock_guard lock(registrationMutex);
  registered.push_back(handlers);
}

void UnregisterEventHandlers(const TQuillmarkEvents* handlers) {
  std::lock_guard lock(registrationMutex);
  std::erase(registered, handlers);
}

TQuillmarkEvents& GlobalEvents() {
  static TQuillmarkEvents events;
  return events;
}

std::vector<const TQuillmarkEvents*> EventSubscribers() {
  std::vector<const TQuillmarkEvents*> subscribers;
  {
    std::lock_guard lock(registrationMutex);
    subscribers.assign(registered.rbegin(), registered.rend());
  }
  subscribers.push_back(&GlobalEvents());
  return subscribers;
}

}  // namespace kestrova
