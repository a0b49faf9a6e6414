#include "app/port_state_log.h"

#include <utility>

namespace kestrova {

PortStateLog::PortStateLog(std::ostream& out, DevicePathOf devicePathOf)
    : out_(out), devicePathOf_(std::move(devicePathOf)) {}

bool PortStateLog::Record(const PortOutcome& outcome) {
  const State state = outcome.failure.empty() ? State::Sending : State::Failing;
  const bool changed =
      state != state_ || outcome.port != last_.port || outcome.failure != last_.failure;
  if (!changed) return false;
  const bool wasFailing = state_ == State::Failing;
  state_ = state;
  last_ = outcome;
  if (state == State::Failing || wasFailing) {
    // Flushed at once: the operator may be watching a terminal while the loop runs.
    out_ << "kestrova: " << Summary(outcome.port, devicePathOf_(outcome.port)) << std::endl;
  }
  return true;
}

std::string PortStateLog::Summary(const std::string& port, const std::string& path) const {
  const std::string device = port + " (" + path + "): ";
  if (state_ == State::Untried || port != last_.port) return device + "not opened by the loop yet";
  if (state_ == State::Sending) return device + "sending";
  return device + "nothing sent: " + last_.failure;
}

}  // namespace kestrova
