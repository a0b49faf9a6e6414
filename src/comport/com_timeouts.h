// TComTimeouts: the read and write timeouts of a port.
#pragma once

#include "comport/com_types.h"
#include "comport/persistent.h"

#include <cstdint>

namespace kestrova {

// Milliseconds, or milliseconds per byte for the multipliers; -1 means "maximum". Owned by its
// port or free-standing, as TComParity; a changed field applies the port's timeouts.
class TComTimeouts final : public TPersistent {
 public:
  explicit TComTimeouts(TCustomComPort* port = nullptr) : port_(port) {}

  void Assign(const TPersistent& source) override;
  const char* ClassName() const override { return "TComTimeouts"; }

  std::int32_t ReadInterval() const { return readInterval_; }
  void SetReadInterval(std::int32_t value);
  std::int32_t ReadTotalMultiplier() const { return readTotalMultiplier_; }
  void SetReadTotalMultiplier(std::int32_t value);
  std::int32_t ReadTotalConstant() const { return readTotalConstant_; }
  void SetReadTotalConstant(std::int32_t value);
  std::int32_t WriteTotalMultiplier() const { return writeTotalMultiplier_; }
  void SetWriteTotalMultiplier(std::int32_t value);
  std::int32_t WriteTotalConstant() const { return writeTotalConstant_; }
  void SetWriteTotalConstant(std::int32_t value);

 private:
  void Set(std::int32_t& field, std::int32_t value);

  TCustomComPort* port_;
  std::int32_t readInterval_ = -1;
  std::int32_t readTotalMultiplier_ = 0;
  std::int32_t readTotalConstant_ = 0;
  std::int32_t writeTotalMultiplier_ = 100;
  std::int32_t writeTotalConstant_ = 1000;
};

}  // namespace kestrova
