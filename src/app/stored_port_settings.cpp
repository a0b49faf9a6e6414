#include "app/stored_port_settings.h"

#include "comport/custom_com_port.h"

namespace kestrova {

void LoadStoredPortSettings(TCustomComPort& port) {
  port.BeginLoading();
  port.SetBaudRate(TBaudRate::br4800);
  port.SetPort("COM2");
  port.Parity().SetBits(TParityBits::prNone);
  port.SetStopBits(TStopBits::sbTwoStopBits);
  port.SetDataBits(TDataBits::dbEight);
  port.SetEvents(kAllComEvents);
  TComFlowControl& flow = port.FlowControl();
  flow.SetOutCTSFlow(false);
  flow.SetOutDSRFlow(false);
  flow.SetControlDTR(TDTRFlowControl::dtrDisable);
  flow.SetControlRTS(TRTSFlowControl::rtsDisable);
  flow.SetXonXoffOut(false);
  flow.SetXonXoffIn(false);
  port.SetSyncMethod(TSyncMethod::smNone);
  port.Loaded();
}

}  // namespace kestrova
