// TComBuffer: the input and output queue sizes of a port.
#pragma once

#include "comport/com_types.h"
#include "comport/persistent.h"

#include <cstdint>

namespace kestrova {

// Sizes in bytes, always stored even. Owned by its port or free-standing, as TComParity; a
// changed size applies the port's queue sizes.
class TComBuffer final : public TPersistent {
 public:
  explicit TComBuffer(TCustomComPort* port = nullptr) : port_(port) {}

  void Assign(const TPersistent& source) override;
  const char* ClassName() const override { return "TComBuffer"; }

  std::int32_t InputSize() const { return inputSize_; }
  void SetInputSize(std::int32_t value);
  std::int32_t OutputSize() const { return outputSize_; }
  void SetOutputSize(std::int32_t value);

 private:
  void Set(std::int32_t& field, std::int32_t value);

  TCustomComPort* port_;
  std::int32_t inputSize_ = 1024;
  std::int32_t outputSize_ = 1024;
};

}  // namespace kestrova
