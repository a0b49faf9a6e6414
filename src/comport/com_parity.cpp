#include "comport/com_parity.h"

#include "comport/custom_com_port.h"

namespace kestrova {

void TComParity::Assign(const TPersistent& source) {
  const auto& other = SameClass<TComParity>(source);
  bits_ = other.bits_;
  check_ = other.check_;
  replace_ = other.replace_;
  replaceChar_ = other.replaceChar_;
}

void TComParity::SetBits(TParityBits value) {
  if (Store(bits_, value)) Changed();
}

void TComParity::SetCheck(bool value) {
  if (Store(check_, value)) Changed();
}

void TComParity::SetReplace(bool value) {
  if (Store(replace_, value)) Changed();
}

void TComParity::SetReplaceChar(char value) {
  if (Store(replaceChar_, value)) Changed();
}

void TComParity::Changed() {
  if (port_ != nullptr) port_->ApplyLineSettings();
}

}  // namespace kestrova
