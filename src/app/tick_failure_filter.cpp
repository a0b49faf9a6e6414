#include "app/tick_failure_filter.h"

#include <typeinfo>

namespace kestrova {
namespace {

// The class name and the message, as one key: both must match for a repeat.
std::string FailureKey(const std::exception_ptr& error) {
  try {
    if (error) std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return std::string(typeid(e).name()) + '\n' + e.what();
  } catch (...) {
  }
  // Neither a class nor a message to compare: never a known repeat.
  return {};
}

}  // namespace

bool TickFailureFilter::ShouldReport(const std::exception_ptr& error) {
  std::string key = FailureKey(error);
  const bool repeat = !key.empty() && key == last_;
  last_ = std::move(key);
  return !repeat;
}

}  // namespace kestrova
