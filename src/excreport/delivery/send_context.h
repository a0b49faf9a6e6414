// The state of one send and what the send step needs from its surroundings.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "excreport/capture/quillmark_warning.h"
#include "excreport/delivery/program_launcher.h"
#include "excreport/dialog/report_presenter.h"
#include "excreport/dialog/send_progress_feed.h"
#include "excreport/flow/quill_events.h"
#include "excreport/flow/report_sender.h"

namespace kestrova {

// The send step's ways out to the user and the system. The defaults (DefaultSendServices) go
// through the handling flow's presenter on the GUI thread; tests record instead.
struct SendServices {
  std::function<void(const std::string& caption, const std::string& text, MessageKind kind)> ShowMessage;
  std::function<void(const std::string& text)> CopyToClipboard;
  std::shared_ptr<ProgramLauncher> Launcher;  // runs the mail client
  std::filesystem::path TempFolder;           // where the temporary files go
  std::filesystem::path MailOutbox;           // where files handed to the mail client stay
  EventRunner RunEvent;                       // delivers the events' handler calls
  bool GuiProgram = false;                    // the progress window may be shown
};

// Message boxes through the current presenter on the GUI thread (standard error without a
// GUI), the clipboard on the GUI thread, xdg-email/xdg-open, QDir::tempPath(), the user's
// DefaultMailOutbox(), and the handling flow's event delivery.
SendServices DefaultSendServices();

// Shared by SendReport and the two deliveries for one send.
struct SendContext {
  SendContext(const SendRequest& request, const TQuillModuleOptions& options, const SendServices& services)
      : Request(request), Options(options), Services(services) {}

  const SendRequest& Request;
  const TQuillModuleOptions& Options;
  const SendServices& Services;
  std::string TimeStamp;  // "yyyymmddhhnnss" of the report when SendFlags bit 8 names files with it
  std::vector<std::string> Files;
  std::vector<std::string> WebFieldNames, WebFieldValues;
  bool GoAhead = true;
  bool Retry = false;

  // Fires OnActionNotify with `flag` when a handler is assigned.
  void FireAction(int action, bool& flag) const;
  // The progress window when SendFlags bit 0 asks for it in a GUI program, else nothing.
  std::unique_ptr<SendProgressFeed> OpenProgress() const;
  // Records the warning; with the progress window open, shows its text in an "Error." box.
  void Warn(const TQuillmarkWarning& warning, bool progressOpen) const;
  // The names the files are sent under.
  std::vector<std::string> SendNames() const;
};

// The deliveries: each returns its success (the go-ahead flag at its end).
bool SendByEmail(SendContext& context);
bool SendByWeb(SendContext& context);

}  // namespace kestrova
