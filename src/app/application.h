// TApplication: the application object, with the central handler for exceptions that leave
// an event handler or a timer tick on the GUI thread.
#pragma once

#include <QApplication>
#include <QPointer>

#include <exception>
#include <functional>
#include <string>

class QMessageBox;

namespace kestrova {

// One per process, created by the program entry before any window. Everything here runs on
// the GUI thread.
//
// Every exception that leaves an event handler (a click, a timer tick, ...) unwinds to
// notify(), which hands it to HandleException and lets the program go on. HandleException is
// the single place where the exception reporting subsystem takes over: it installs its hook
// with SetExceptionHook. Without a hook, or when the hook declines or fails, the exception is
// shown by ShowException.
class TApplication final : public QApplication {
  Q_OBJECT

 public:
  // Returns true when the hook has dealt with the exception; false sends it on to
  // ShowException. Called on the GUI thread.
  using ExceptionHook = std::function<bool(const std::exception_ptr&)>;

  // Also reads the decimal and thousands separators from the user's locale.
  TApplication(int& argc, char** argv);
  ~TApplication() override;

  bool notify(QObject* receiver, QEvent* event) override;

  // The central handler: the hook first, the standard display otherwise. Never throws.
  void HandleException(const std::exception_ptr& error) noexcept;
  // An empty hook restores the standard display.
  void SetExceptionHook(ExceptionHook hook) { hook_ = std::move(hook); }

  // The standard display: a non-modal message box with the exception's message, so that the
  // operator can still reach the main window (a failing loop raises every 50 ms). At most one
  // box is open at a time; exceptions that arrive while it is open are dropped, and the next
  // one after it has been closed is shown again.
  void ShowException(const std::exception_ptr& error);
  // The box currently shown by ShowException, or null.
  QMessageBox* ExceptionBox() const;

  // The text ShowException shows: the exception's message with a full stop appended unless it
  // already ends in one or in a character ordered below it ("!", "'", ")", ...); a fixed text
  // for an exception that is not a std::exception.
  static std::string ExceptionMessage(const std::exception_ptr& error);

 protected:
  // Reads the separators again when the desktop announces a locale change.
  bool event(QEvent* event) override;

 private:
  ExceptionHook hook_;
  QPointer<QMessageBox> box_;
};

}  // namespace kestrova
