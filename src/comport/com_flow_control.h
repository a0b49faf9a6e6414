// TComFlowControl: the handshaking settings of a port, with the derived FlowControl summary.
#pragma once

#include "comport/com_types.h"
#include "comport/persistent.h"

namespace kestrova {

// Owned by its port or free-standing, as TComParity; a changed field applies the port's line
// settings.
class TComFlowControl final : public TPersistent {
 public:
  explicit TComFlowControl(TCustomComPort* port = nullptr) : port_(port) {}

  void Assign(const TPersistent& source) override;
  const char* ClassName() const override { return "TComFlowControl"; }

  // The kind of handshake that ControlRTS, OutCTSFlow, XonXoffIn and XonXoffOut make up;
  // fcCustom for any combination that is neither hardware, software nor none.
  TFlowControl FlowControl() const;
  // Sets those four fields for fcHardware, fcSoftware or fcNone (fcCustom changes nothing),
  // then applies the line settings once, also for fcCustom.
  void SetFlowControl(TFlowControl value);

  bool OutCTSFlow() const { return outCTSFlow_; }
  void SetOutCTSFlow(bool value);
  bool OutDSRFlow() const { return outDSRFlow_; }
  void SetOutDSRFlow(bool value);
  TDTRFlowControl ControlDTR() const { return controlDTR_; }
  void SetControlDTR(TDTRFlowControl value);
  TRTSFlowControl ControlRTS() const { return controlRTS_; }
  void SetControlRTS(TRTSFlowControl value);
  bool XonXoffOut() const { return xonXoffOut_; }
  void SetXonXoffOut(bool value);
  bool XonXoffIn() const { return xonXoffIn_; }
  void SetXonXoffIn(bool value);
  bool DSRSensitivity() const { return dsrSensitivity_; }
  void SetDSRSensitivity(bool value);
  bool TxContinueOnXoff() const { return txContinueOnXoff_; }
  void SetTxContinueOnXoff(bool value);
  char XonChar() const { return xonChar_; }
  void SetXonChar(char value);
  char XoffChar() const { return xoffChar_; }
  void SetXoffChar(char value);

 private:
  template <typename T>
  void Set(T& field, T value);
  void Changed();

  TCustomComPort* port_;
  bool outCTSFlow_ = false;
  bool outDSRFlow_ = false;
  TDTRFlowControl controlDTR_ = TDTRFlowControl::dtrDisable;
  TRTSFlowControl controlRTS_ = TRTSFlowControl::rtsDisable;
  bool xonXoffOut_ = false;
  bool xonXoffIn_ = false;
  bool dsrSensitivity_ = false;
  bool txContinueOnXoff_ = false;
  char xonChar_ = '\x11';
  char xoffChar_ = '\x13';
};

}  // namespace kestrova
