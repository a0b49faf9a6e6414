#include "app/transmit_tick.h"

#include <string>

namespace kestrova {

std::exception_ptr TransmitTick::Run(const TickInputs& inputs, std::string_view mask) {
  std::string frame;
  try {
    frame = TickFrame(inputs, mask);
  } catch (...) {
    std::exception_ptr error = std::current_exception();
    return failures_.ShouldReport(error) ? error : nullptr;
  }
  failures_.Forget();
  port_.Send(frame);
  return nullptr;
}

}  // namespace kestrova
