#include "app/application.h"

#include <QEvent>
#include <QMessageBox>
#include <QString>

#include <clocale>

#include "app/locale_separators.h"

namespace kestrova {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("Kestrova"));
  // QApplication has set the process locale from the environment; numbers written with the C
  // library (reports, error texts) keep the C notation. The formatter reads its separators
  // from the user's locale by itself.
  std::setlocale(LC_NUMERIC, "C");
  ReadSeparatorsFromLocale();
}

TApplication::~TApplication() = default;

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    HandleException(std::current_exception());
    return false;
  }
}

bool TApplication::event(QEvent* event) {
  if (event->type() == QEvent::LocaleChange) ReadSeparatorsFromLocale();
  return QApplication::event(event);
}

void TApplication::HandleException(const std::exception_ptr& error) noexcept {
  try {
    if (hook_ && hook_(error)) return;
  } catch (...) {
    // A failing hook must not take the program down; the exception is still shown.
  }
  try {
    ShowException(error);
  } catch (...) {
    // Nothing is left to show it with (out of memory while building the box).
  }
}

void TApplication::ShowException(const std::exception_ptr& error) {
  if (box_) return;
  auto* box = new QMessageBox(QMessageBox::Critical, applicationName(),
                              QString::fromStdString(ExceptionMessage(error)), QMessageBox::Ok,
                              activeWindow());
  box->setWindowModality(Qt::NonModal);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box_ = box;
  box->show();
}

QMessageBox* TApplication::ExceptionBox() const { return box_.data(); }

std::string TApplication::ExceptionMessage(const std::exception_ptr& error) {
  std::string message;
  try {
    if (error) std::rethrow_exception(error);
  } catch (const std::exception& e) {
    message = e.what();
  } catch (...) {
  }
  if (message.empty()) return "An exception of an unknown kind was raised.";
  if (static_cast<unsigned char>(message.back()) > '.') message += '.';
  return message;
}

}  // namespace kestrova
