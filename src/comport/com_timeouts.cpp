#include "comport/com_timeouts.h"

#include "comport/custom_com_port.h"

namespace kestrova {

void TComTimeouts::Assign(const TPersistent& source) {
  const auto& other = SameClass<TComTimeouts>(source);
  readInterval_ = other.readInterval_;
  readTotalMultiplier_ = other.readTotalMultiplier_;
  readTotalConstant_ = other.readTotalConstant_;
  writeTotalMultiplier_ = other.writeTotalMultiplier_;
  writeTotalConstant_ = other.writeTotalConstant_;
}

void TComTimeouts::SetReadInterval(std::int32_t value) { Set(readInterval_, value); }
void TComTimeouts::SetReadTotalMultiplier(std::int32_t value) { Set(readTotalMultiplier_, value); }
void TComTimeouts::SetReadTotalConstant(std::int32_t value) { Set(readTotalConstant_, value); }
void TComTimeouts::SetWriteTotalMultiplier(std::int32_t value) { Set(writeTotalMultiplier_, value); }
void TComTimeouts::SetWriteTotalConstant(std::int32_t value) { Set(writeTotalConstant_, value); }

void TComTimeouts::Set(std::int32_t& field, std::int32_t value) {
  if (Store(field, value) && port_ != nullptr) port_->ApplyTimeoutSettings();
}

}  // namespace kestrova
