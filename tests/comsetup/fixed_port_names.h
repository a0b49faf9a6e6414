// Port names supplied by a test in place of the machine's, for port selectors.
#pragma once

#include "comport/port_name_source.h"
#include "comsetup/selector_port_names.h"

#include <string>
#include <vector>

namespace kestrova {

// While it lives, port selectors list these names (or fail with this errno).
class FixedPortNames final : public PortNameSource {
 public:
  // A systemError other than 0 makes the listing fail with it.
  explicit FixedPortNames(std::vector<std::string> names, int systemError = 0) {
    result_.Names = std::move(names);
    result_.Succeeded = systemError == 0;
    result_.SystemError = systemError;
  }
  FixedPortNames(const FixedPortNames&) = delete;
  FixedPortNames& operator=(const FixedPortNames&) = delete;
  ~FixedPortNames() override { SetSelectorPortNames(nullptr); }

  // Makes this the selectors' source until destroyed.
  void Install() const { SetSelectorPortNames(this); }
  PortNameResult ListPortNames() const override { return result_; }

 private:
  PortNameResult result_;
};

}  // namespace kestrova
