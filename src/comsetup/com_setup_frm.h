// TComSetupFrm: the dialog that picks a port's name, baud rate, data bits, stop bits, parity and
// flow control.
#pragma once

#include <QDialog>

#include <array>
#include <memory>

namespace Ui {
class ComSetupFrm;
}

namespace kestrova {

class TComComboBox;

// Built from its form (com_setup_frm.ui); building it fills the six selectors, the port list
// through port enumeration (whose EComPort passes out of the constructor). Fixed size, centred on
// the screen when shown. OK (also Enter: it is the default button) accepts; Cancel and the close
// box reject; Escape does nothing. Binding the selectors to a port and applying them is
// RunSetupDialog's (run_setup_dialog.h). GUI thread only.
class TComSetupFrm final : public QDialog {
  Q_OBJECT

 public:
  explicit TComSetupFrm(QWidget* parent = nullptr);
  ~TComSetupFrm() override;

  // Combo1 to Combo6: port, baud rate, data bits, stop bits, parity, flow control.
  std::array<TComComboBox*, 6> Combos() const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  std::unique_ptr<Ui::ComSetupFrm> ui_;
};

}  // namespace kestrova
