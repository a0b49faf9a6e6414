#include "comsetup/com_setup_frm.h"

#include "comsetup/com_combo_box.h"
#include "ui_com_setup_frm.h"

#include <QKeyEvent>
#include <QScreen>

namespace kestrova {

TComSetupFrm::TComSetupFrm(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::ComSetupFrm>()) {
  ui_->setupUi(this);
  // A dialog border: a close box, no minimise or maximise button, no resizing (the form fixes
  // the size).
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  ui_->Combo1->setFocus();
}

TComSetupFrm::~TComSetupFrm() = default;

std::array<TComComboBox*, 6> TComSetupFrm::Combos() const {
  return {ui_->Combo1, ui_->Combo2, ui_->Combo3, ui_->Combo4, ui_->Combo5, ui_->Combo6};
}

void TComSetupFrm::keyPressEvent(QKeyEvent* event) {
  // No button cancels: Escape must not close the dialog as QDialog would.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TComSetupFrm::showEvent(QShowEvent* event) {
  // Centred on the screen, not on a parent and not at the form's stored position.
  if (const QScreen* display = screen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(display->availableGeometry().center());
    move(frame.topLeft());
  }
  QDialog::showEvent(event);
}

}  // namespace kestrova
