// The dialog that asks the user how to reproduce the error.
#pragma once

#include <QDialog>
#include <chrono>
#include <memory>
#include <string>

#include "excreport/dialog/auto_close_counter.h"
#include "excreport/options/quill_module_options.h"

namespace Ui {
class ReproduceRequestDialog;
}

namespace kestrova {

// Caption text 81, prompt text 82, a multi-line edit and the OK button (text 83). Like the report
// dialog it closes by itself, as by OK, after DialogCloseSecs counts of `closeTick` without
// input. GUI thread only.
class ReproduceRequestDialog final : public QDialog {
  Q_OBJECT

 public:
  ReproduceRequestDialog(const TQuillModuleOptions& options, std::chrono::milliseconds closeTick,
                         QWidget* parent = nullptr);
  ~ReproduceRequestDialog() override;

  // The edit's text, trimmed, with line ends as CR LF like the rest of the report.
  std::string Text() const;

 private:
  std::unique_ptr<Ui::ReproduceRequestDialog> ui_;
  std::unique_ptr<AutoCloseCounter> autoClose_;
};

// Runs the dialog modally and returns the entered text (empty when nothing was entered); the
// caller adds it to the report as section 8. On another thread than a QApplication's GUI
// thread nothing is shown and the text is empty. Never throws.
std::string ShowReproduceRequest(const TQuillModuleOptions& options,
                                 std::chrono::milliseconds closeTick = std::chrono::seconds(1));

}  // namespace kestrova
