#include "comport/com_buffer.h"

#include "comport/custom_com_port.h"

namespace kestrova {

void TComBuffer::Assign(const TPersistent& source) {
  const auto& other = SameClass<TComBuffer>(source);
  inputSize_ = other.inputSize_;
  outputSize_ = other.outputSize_;
}

void TComBuffer::SetInputSize(std::int32_t value) { Set(inputSize_, value); }
void TComBuffer::SetOutputSize(std::int32_t value) { Set(outputSize_, value); }

void TComBuffer::Set(std::int32_t& field, std::int32_t value) {
  // Compared before the rounding: writing 1025 over a stored 1024 stores 1024 and applies again.
  if (!Store(field, value)) return;
  if (field > 0 && field % 2 != 0) --field;
  if (port_ != nullptr) port_->ApplyQueueSizes();
}

}  // namespace kestrova
