#include "comsetup/com_select.h"

#include "comport/custom_com_port.h"
#include "comport/settings_text.h"
#include "comsetup/selector_port_names.h"

#include <QComboBox>

namespace kestrova {
namespace {

QString FromStd(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// Every entry of a text table, with its ordinal as item data.
template <std::size_t N>
void AddTable(QComboBox& items, const std::array<std::string_view, N>& texts) {
  for (std::size_t i = 0; i < N; ++i) items.addItem(FromStd(texts[i]), static_cast<int>(i));
}

template <typename Enum>
Enum ItemValue(const QComboBox& items, int index) {
  return static_cast<Enum>(items.itemData(index).toInt());
}

}  // namespace

void TComSelect::FillForProperty(TComProperty Value) {
  comProperty_ = Value;
  items_.clear();
  switch (Value) {
    case TComProperty::cpPort: {
      QStringList ports;
      ListSelectorPorts(ports);
      for (const QString& name : ports) items_.addItem(name, name);
      break;
    }
    case TComProperty::cpBaudRate: AddTable(items_, BaudRateTexts); break;
    case TComProperty::cpDataBits: AddTable(items_, DataBitsTexts); break;
    case TComProperty::cpStopBits: AddTable(items_, StopBitsTexts); break;
    case TComProperty::cpParity: AddTable(items_, ParityBitsTexts); break;
    case TComProperty::cpFlowControl: AddTable(items_, FlowControlTexts); break;
    case TComProperty::cpNone: break;
  }
}

QString TComSelect::PortValueText() const {
  switch (comProperty_) {
    case TComProperty::cpPort: return QString::fromStdString(comPort_->Port());
    case TComProperty::cpBaudRate: return FromStd(BaudRateToText(comPort_->BaudRate()));
    case TComProperty::cpDataBits: return FromStd(DataBitsToText(comPort_->DataBits()));
    case TComProperty::cpStopBits: return FromStd(StopBitsToText(comPort_->StopBits()));
    case TComProperty::cpParity: return FromStd(ParityBitsToText(comPort_->Parity().Bits()));
    case TComProperty::cpFlowControl: return FromStd(FlowControlToText(comPort_->FlowControl().FlowControl()));
    case TComProperty::cpNone: break;
  }
  return {};
}

int TComSelect::LoadFromPort() {
  if (comPort_ == nullptr || comProperty_ == TComProperty::cpNone) return -1;
  const QString value = PortValueText();
  int index = items_.findText(value, Qt::MatchFixedString);  // case-insensitive
  if (index < 0 && comProperty_ == TComProperty::cpPort) index = AddAbsentPort(value);
  if (index < 0) return -1;
  switch (comProperty_) {
    case TComProperty::cpPort: pendingPort_ = items_.itemData(index).toString(); break;
    case TComProperty::cpBaudRate: pendingBaudRate_ = ItemValue<TBaudRate>(items_, index); break;
    case TComProperty::cpDataBits: pendingDataBits_ = ItemValue<TDataBits>(items_, index); break;
    case TComProperty::cpStopBits: pendingStopBits_ = ItemValue<TStopBits>(items_, index); break;
    case TComProperty::cpParity: pendingParity_ = ItemValue<TParityBits>(items_, index); break;
    case TComProperty::cpFlowControl: pendingFlowControl_ = ItemValue<TFlowControl>(items_, index); break;
    case TComProperty::cpNone: break;
  }
  return index;
}

int TComSelect::AddAbsentPort(const QString& name) {
  // The port's own name stays listed while its device is missing, so that confirming the
  // dialog keeps the port where it is instead of moving it to the first listed one.
  items_.addItem(name, name);
  const int index = items_.count() - 1;
  items_.setItemData(index, QStringLiteral("No device found for this port"), Qt::ToolTipRole);
  return index;
}

void TComSelect::TakeSelection(const QString& Text) {
  const std::string text = Text.toStdString();
  switch (comProperty_) {
    case TComProperty::cpPort: pendingPort_ = Text; break;
    case TComProperty::cpBaudRate: pendingBaudRate_ = TextToBaudRate(text); break;
    case TComProperty::cpDataBits: pendingDataBits_ = TextToDataBits(text); break;
    case TComProperty::cpStopBits: pendingStopBits_ = TextToStopBits(text); break;
    case TComProperty::cpParity: pendingParity_ = TextToParityBits(text); break;
    case TComProperty::cpFlowControl: pendingFlowControl_ = TextToFlowControl(text); break;
    case TComProperty::cpNone: return;
  }
  if (autoApply_) ApplyToPort();
}

void TComSelect::ApplyToPort() {
  if (comPort_ == nullptr) return;
  switch (comProperty_) {
    case TComProperty::cpPort: comPort_->SetPort(pendingPort_.toStdString()); break;
    case TComProperty::cpBaudRate: comPort_->SetBaudRate(pendingBaudRate_); break;
    case TComProperty::cpDataBits: comPort_->SetDataBits(pendingDataBits_); break;
    case TComProperty::cpStopBits: comPort_->SetStopBits(pendingStopBits_); break;
    case TComProperty::cpParity: comPort_->Parity().SetBits(pendingParity_); break;
    case TComProperty::cpFlowControl: comPort_->FlowControl().SetFlowControl(pendingFlowControl_); break;
    case TComProperty::cpNone: break;
  }
}

}  // namespace kestrova
