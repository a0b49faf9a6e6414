// The platform layer of port enumeration: where the names of the machine's serial ports come
// from. Port enumeration filters whatever names a source gives; tests supply their own source.
#pragma once

#include <string>
#include <vector>

namespace kestrova {

// One listing: the names in the order the platform gives them, or a failure with its errno.
struct PortNameResult {
  bool Succeeded = true;
  int SystemError = 0;  // errno of the failed step when Succeeded is false
  std::vector<std::string> Names;
};

// Called on the caller's thread; an implementation keeps no state between calls.
class PortNameSource {
 public:
  virtual ~PortNameSource() = default;
  virtual PortNameResult ListPortNames() const = 0;
};

}  // namespace kestrova
