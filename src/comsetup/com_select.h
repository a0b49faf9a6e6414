// TComSelect: the binding of a setting selector to one port setting, and the value it holds.
#pragma once

#include "comport/com_types.h"

#include <QString>

#include <cstdint>

class QComboBox;

namespace kestrova {

// Which port setting a selector edits.
enum class TComProperty : std::uint8_t { cpNone, cpPort, cpBaudRate, cpDataBits, cpStopBits, cpParity, cpFlowControl };

// Owned by its TComComboBox, whose item list it fills and searches (each entry carries its value
// as item data: the member's ordinal, or the port name). It neither owns nor watches the port:
// the combo box forgets a destroyed port for it. GUI thread only.
//
// A pick is held as the pending value of the current setting and reaches the port only through
// ApplyToPort (at once when AutoApply is set). Exceptions of the port's setters and of port
// enumeration pass to the caller.
class TComSelect final {
 public:
  explicit TComSelect(QComboBox& items) : items_(items) {}
  TComSelect(const TComSelect&) = delete;
  TComSelect& operator=(const TComSelect&) = delete;

  // Stores Value and fills the list with every value of that setting, in ordinal order (the
  // port names as port enumeration reports them). The list is cleared first, also when port
  // enumeration then fails. Selects nothing itself.
  void FillForProperty(TComProperty Value);
  // The index of the entry of the port's current value (letter case ignored), recorded as the
  // pending value; -1, with the pending value unchanged, when it is not listed or when there is
  // no port or setting. A port name that port enumeration did not report (its device is
  // absent) is added at the end of the list, marked by its tooltip, and found.
  int LoadFromPort();
  // Records the value Text names (through the setting's text conversion), then applies it when
  // AutoApply is set.
  void TakeSelection(const QString& Text);
  // Writes the pending value of the current setting to the port; nothing without a port.
  void ApplyToPort();

  TComProperty ComProperty() const { return comProperty_; }
  TCustomComPort* ComPort() const { return comPort_; }
  void SetComPort(TCustomComPort* port) { comPort_ = port; }
  bool AutoApply() const { return autoApply_; }
  void SetAutoApply(bool value) { autoApply_ = value; }

 private:
  QString PortValueText() const;
  // Appends the port name as an entry marked absent; returns its index.
  int AddAbsentPort(const QString& name);

  QString pendingPort_;
  TBaudRate pendingBaudRate_ = TBaudRate::brCustom;
  TDataBits pendingDataBits_ = TDataBits::dbFive;
  TStopBits pendingStopBits_ = TStopBits::sbOneStopBit;
  TParityBits pendingParity_ = TParityBits::prNone;
  TFlowControl pendingFlowControl_ = TFlowControl::fcHardware;
  QComboBox& items_;
  TComProperty comProperty_ = TComProperty::cpNone;
  TCustomComPort* comPort_ = nullptr;
  bool autoApply_ = false;
};

}  // namespace kestrova
