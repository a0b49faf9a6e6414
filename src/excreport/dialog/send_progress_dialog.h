// The window that shows the progress of sending a report: a status line over a progress bar.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class SendProgressDialog;
}

namespace kestrova {

// Modal to the whole program but shown without a loop of its own, so that the sender drives
// it (see SendProgressFeed). No close button: the end of sending closes it. GUI thread only.
class SendProgressDialog final : public QDialog {
  Q_OBJECT

 public:
  SendProgressDialog(const QString& caption, const QString& status, QWidget* parent = nullptr);
  ~SendProgressDialog() override;

  void SetStatus(const QString& text);
  // 0 to 100; other values are clamped.
  void SetPosition(int percent);
  QString Status() const;
  int Position() const;

 private:
  std::unique_ptr<Ui::SendProgressDialog> ui_;
};

}  // namespace kestrova
