#include "excreport/dialog/send_progress_feed.h"

#include <QApplication>

namespace kestrova {

SendProgressFeed::SendProgressFeed(const TQuillModuleOptions& options) : shared_(std::make_shared<Shared>()) {
  const QString caption = QString::fromStdString(options.Text(75));
  const QString status = QString::fromStdString(options.Text(76));
  Post([caption, status, weak = std::weak_ptr<Shared>(shared_)](Shared& shared) {
    auto* dialog = new SendProgressDialog(caption, status);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // The window may go away after the feed and its calls are gone.
    QObject::connect(dialog, &QObject::destroyed, [weak] {
      if (const std::shared_ptr<Shared> alive = weak.lock()) alive->Up = false;
    });
    shared.Dialog = dialog;
    dialog->show();
    shared.Up = true;
  });
}

SendProgressFeed::~SendProgressFeed() {
  if (!ended_) EndOfSending();
}

void SendProgressFeed::Post(std::function<void(Shared&)> call) {
  QCoreApplication* app = QCoreApplication::instance();
  if (qobject_cast<QApplication*>(app) == nullptr) return;
  // The call keeps the shared state alive until it has run on the GUI thread.
  QMetaObject::invokeMethod(app, [shared = shared_, call = std::move(call)] { call(*shared); }, Qt::AutoConnection);
}

void SendProgressFeed::SetStatus(const std::string& text) {
  Post([line = QString::fromStdString(text)](Shared& shared) {
    if (shared.Dialog != nullptr) shared.Dialog->SetStatus(line);
  });
}

void SendProgressFeed::SetPosition(int percent) {
  Post([percent](Shared& shared) {
    if (shared.Dialog != nullptr) shared.Dialog->SetPosition(percent);
  });
}

void SendProgressFeed::EndOfSending() {
  ended_ = true;
  Post([](Shared& shared) {
    shared.Up = false;
    if (shared.Dialog != nullptr) shared.Dialog->close();
  });
}

}  // namespace kestrova
