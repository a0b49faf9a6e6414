#include "comsetup/com_combo_box.h"

#include "comport/custom_com_port.h"

namespace kestrova {

TComComboBox::TComComboBox(QWidget* parent) : QComboBox(parent), select_(std::make_unique<TComSelect>(*this)) {
  setEditable(false);  // drop-down list: only listed entries can be picked
  // activated is emitted for the user's picks (mouse or keyboard) only.
  connect(this, &QComboBox::activated, this, &TComComboBox::UserPicked);
}

TComComboBox::~TComComboBox() = default;

void TComComboBox::setComPort(TCustomComPort* Port) {
  if (Port == select_->ComPort()) return;
  select_->SetComPort(Port);
  boundPort_ = Port;
  if (Port == nullptr) return;
  connect(Port, &QObject::destroyed, this, &TComComboBox::ComponentDestroyed, Qt::UniqueConnection);
  LoadFromPort();
}

void TComComboBox::setComProperty(TComProperty Value) {
  select_->FillForProperty(Value);
  if (count() == 0) return;
  if (select_->ComPort() == nullptr) {
    setCurrentIndex(0);
  } else {
    LoadFromPort();
  }
}

QString TComComboBox::Text() const { return currentIndex() < 0 ? QString() : itemText(currentIndex()); }

void TComComboBox::setText(const QString& Text) {
  const int index = findText(Text, Qt::MatchFixedString);  // case-insensitive
  if (index >= 0) setCurrentIndex(index);
}

void TComComboBox::LoadFromPort() { setCurrentIndex(select_->LoadFromPort()); }

void TComComboBox::UserPicked() {
  select_->TakeSelection(Text());
  emit OnChange();
}

void TComComboBox::ComponentDestroyed(QObject* component) {
  if (component == nullptr || component != boundPort_) return;
  select_->SetComPort(nullptr);
  boundPort_ = nullptr;
  if (count() > 0) setCurrentIndex(0);
}

}  // namespace kestrova
