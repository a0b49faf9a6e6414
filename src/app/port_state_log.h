// The port's state as the transmit tick last found it, told in one line per change.
#pragma once

#include <functional>
#include <ostream>
#include <string>

namespace kestrova {

// The outcome of one tick's port steps.
struct PortOutcome {
  std::string port;     // the port's name, "COM2"
  std::string failure;  // the message of the step that failed; empty when the frame went out
};

// Follows the outcomes of the ticks: not tried yet, sending, or failing with a message. A tick
// itself stays silent; only a change is written, as one line to the stream: a failure that
// begins (or a failure with another message, or on another port) and a recovery. A success
// that follows a success writes nothing, also on another port. The device path shown beside
// the port name is asked for only when a line is written. Not thread-safe: used by the thread
// that runs the ticks. The stream is not owned and must outlive this object.
class PortStateLog final {
 public:
  using DevicePathOf = std::function<std::string(const std::string& port)>;

  PortStateLog(std::ostream& out, DevicePathOf devicePathOf);

  // Records a tick's outcome; true when the state changed (including the first success).
  bool Record(const PortOutcome& outcome);

  // One line for the operator on the state of `port` (device `path`): not tried yet, sending,
  // or nothing sent with the last failure's message. A port other than the one last recorded
  // reads as not tried yet.
  std::string Summary(const std::string& port, const std::string& path) const;

 private:
  enum class State { Untried, Sending, Failing };

  std::ostream& out_;
  DevicePathOf devicePathOf_;
  State state_ = State::Untried;
  PortOutcome last_;
};

}  // namespace kestrova
