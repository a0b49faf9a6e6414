// The sender's side of the sending progress window; usable from any thread.
#pragma once

#include <QPointer>
#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "excreport/dialog/send_progress_dialog.h"
#include "excreport/options/quill_module_options.h"

namespace kestrova {

// Opens the progress window (caption text 75, status text 76) and drives it: status line,
// progress bar, end of sending. Every call may come from any thread, also the GUI thread. The
// window lives on the GUI thread; each call reaches it as a queued call to the application
// object, so the calls arrive in their order and none is lost while the window is still being
// made; the sender never waits for the GUI thread. Calls after the window was closed, and all
// calls without a QApplication, do nothing. The object itself belongs to the sender.
class SendProgressFeed final {
 public:
  explicit SendProgressFeed(const TQuillModuleOptions& options);
  // Signals the end of sending when that has not been done.
  ~SendProgressFeed();
  SendProgressFeed(const SendProgressFeed&) = delete;
  SendProgressFeed& operator=(const SendProgressFeed&) = delete;

  void SetStatus(const std::string& text);
  // 0 to 100.
  void SetPosition(int percent);
  // Closes the window.
  void EndOfSending();
  // Whether the window is up now (shown and not yet closed).
  bool WindowUp() const { return shared_->Up.load(); }

 private:
  struct Shared {
    QPointer<SendProgressDialog> Dialog;  // read and written on the GUI thread only
    std::atomic<bool> Up{false};
  };
  void Post(std::function<void(Shared&)> call);

  std::shared_ptr<Shared> shared_;
  bool ended_ = false;
};

}  // namespace kestrova
