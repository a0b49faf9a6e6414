// TComParity: the parity settings of a port.
#pragma once

#include "comport/com_types.h"
#include "comport/persistent.h"

namespace kestrova {

// Owned by its port (which it refers back to, without owning it) or free-standing as a value to
// copy into a port. A changed field is applied to the port's device at once (line settings);
// an apply failure raises EComPort from the setter, with the new value already stored.
class TComParity final : public TPersistent {
 public:
  explicit TComParity(TCustomComPort* port = nullptr) : port_(port) {}

  void Assign(const TPersistent& source) override;
  const char* ClassName() const override { return "TComParity"; }

  TParityBits Bits() const { return bits_; }
  void SetBits(TParityBits value);
  bool Check() const { return check_; }
  void SetCheck(bool value);
  bool Replace() const { return replace_; }
  void SetReplace(bool value);
  char ReplaceChar() const { return replaceChar_; }
  void SetReplaceChar(char value);

 private:
  void Changed();

  TCustomComPort* port_;
  TParityBits bits_ = TParityBits::prNone;
  bool check_ = false;
  bool replace_ = false;
  char replaceChar_ = '\0';
};

}  // namespace kestrova
