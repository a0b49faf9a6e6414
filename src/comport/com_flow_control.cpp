#include "comport/com_flow_control.h"

#include "comport/custom_com_port.h"

namespace kestrova {

void TComFlowControl::Assign(const TPersistent& source) {
  const auto& other = SameClass<TComFlowControl>(source);
  outCTSFlow_ = other.outCTSFlow_;
  outDSRFlow_ = other.outDSRFlow_;
  controlDTR_ = other.controlDTR_;
  controlRTS_ = other.controlRTS_;
  xonXoffOut_ = other.xonXoffOut_;
  xonXoffIn_ = other.xonXoffIn_;
  dsrSensitivity_ = other.dsrSensitivity_;
  txContinueOnXoff_ = other.txContinueOnXoff_;
  xonChar_ = other.xonChar_;
  xoffChar_ = other.xoffChar_;
}

TFlowControl TComFlowControl::FlowControl() const {
  using enum TRTSFlowControl;
  if (controlRTS_ == rtsHandshake && outCTSFlow_ && !xonXoffIn_ && !xonXoffOut_) return TFlowControl::fcHardware;
  if (controlRTS_ == rtsDisable && !outCTSFlow_ && xonXoffIn_ && xonXoffOut_) return TFlowControl::fcSoftware;
  if (controlRTS_ == rtsDisable && !outCTSFlow_ && !xonXoffIn_ && !xonXoffOut_) return TFlowControl::fcNone;
  return TFlowControl::fcCustom;
}

void TComFlowControl::SetFlowControl(TFlowControl value) {
  if (value != TFlowControl::fcCustom) {
    controlRTS_ = TRTSFlowControl::rtsDisable;
    outCTSFlow_ = false;
    xonXoffIn_ = false;
    xonXoffOut_ = false;
    if (value == TFlowControl::fcHardware) {
      controlRTS_ = TRTSFlowControl::rtsHandshake;
      outCTSFlow_ = true;
    } else if (value == TFlowControl::fcSoftware) {
      xonXoffIn_ = true;
      xonXoffOut_ = true;
    }
  }
  Changed();
}

void TComFlowControl::SetOutCTSFlow(bool value) { Set(outCTSFlow_, value); }
void TComFlowControl::SetOutDSRFlow(bool value) { Set(outDSRFlow_, value); }
void TComFlowControl::SetControlDTR(TDTRFlowControl value) { Set(controlDTR_, value); }
void TComFlowControl::SetControlRTS(TRTSFlowControl value) { Set(controlRTS_, value); }
void TComFlowControl::SetXonXoffOut(bool value) { Set(xonXoffOut_, value); }
void TComFlowControl::SetXonXoffIn(bool value) { Set(xonXoffIn_, value); }
void TComFlowControl::SetDSRSensitivity(bool value) { Set(dsrSensitivity_, value); }
void TComFlowControl::SetTxContinueOnXoff(bool value) { Set(txContinueOnXoff_, value); }
void TComFlowControl::SetXonChar(char value) { Set(xonChar_, value); }
void TComFlowControl::SetXoffChar(char value) { Set(xoffChar_, value); }

template <typename T>
void TComFlowControl::Set(T& field, T value) {
  if (Store(field, value)) Changed();
}

void TComFlowControl::Changed() {
  if (port_ != nullptr) port_->ApplyLineSettings();
}

}  // namespace kestrova
