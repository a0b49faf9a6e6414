#include "comsetup/run_setup_dialog.h"

#include "comport/custom_com_port.h"
#include "comsetup/com_combo_box.h"
#include "comsetup/com_setup_frm.h"

#include <QPointer>

#include <memory>

namespace kestrova {
namespace {

// Writes every selection inside one bracket. The bracket is closed on the failure path too, so
// the port does not stay unable to apply settings; the first failure is the one reported.
void ApplySelections(TCustomComPort& port, const std::array<TComComboBox*, 6>& combos) {
  port.BeginSettingsChange();
  try {
    for (TComComboBox* combo : combos) combo->ApplyToPort();
  } catch (...) {
    try {
      port.EndSettingsChange();
    } catch (...) {  // the apply failure is the one to report
    }
    throw;
  }
  port.EndSettingsChange();
}

}  // namespace

void RunSetupDialog(TCustomComPort& Port) {
  const auto form = std::make_unique<TComSetupFrm>();
  const std::array<TComComboBox*, 6> combos = form->Combos();
  for (TComComboBox* combo : combos) combo->setComPort(&Port);
  for (TComComboBox* combo : combos) combo->LoadFromPort();

  const QPointer<TCustomComPort> port(&Port);
  const int result = form->exec();
  if (result != QDialog::Accepted || port.isNull()) return;
  ApplySelections(Port, combos);
}

void InstallSetupDialog() {
  TCustomComPort::SetSettingsDialogRunner([](TCustomComPort& Port) { RunSetupDialog(Port); });
}

}  // namespace kestrova
