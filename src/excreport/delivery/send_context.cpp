#include "excreport/delivery/send_context.h"

#include <QDir>
#include <cstdio>

#include "excreport/delivery/mail_outbox.h"
#include "excreport/delivery/send_names.h"
#include "excreport/dialog/gui_bridge.h"
#include "excreport/flow/exception_thread.h"

namespace kestrova {
namespace {

constexpr std::uint16_t kSendFlagProgress = 0x0001;

void ShowOnGui(const std::string& caption, const std::string& text, MessageKind kind) {
  if (!IsGuiProgram()) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return;
  }
  try {
    const std::shared_ptr<ReportPresenter> presenter = CurrentReportPresenter();
    RunOnGuiThread([&] { presenter->ShowMessage(caption, text, kind); });
  } catch (...) {
    // A box that cannot be shown must not keep the send step from keeping its copy.
  }
}

}  // namespace

SendServices DefaultSendServices() {
  SendServices services;
  services.ShowMessage = ShowOnGui;
  services.CopyToClipboard = [](const std::string& text) { RunOnGuiThread([&] { CopyTextToClipboard(text); }); };
  services.Launcher = std::make_shared<ProgramLauncherPosix>();
  services.TempFolder = QDir::tempPath().toStdString();
  services.MailOutbox = DefaultMailOutbox();
  services.RunEvent = TExceptionThread::RunOnExceptionThread;
  services.GuiProgram = IsGuiProgram();
  return services;
}

void SendContext::FireAction(int action, bool& flag) const {
  FireEvent(&TQuillmarkEvents::OnActionNotify, Request.Record, Services.RunEvent, action, flag);
}

std::unique_ptr<SendProgressFeed> SendContext::OpenProgress() const {
  if (!Services.GuiProgram || (Options.SendFlags() & kSendFlagProgress) == 0) return nullptr;
  return std::make_unique<SendProgressFeed>(Options);
}

void SendContext::Warn(const TQuillmarkWarning& warning, bool progressOpen) const {
  RecordWarning(warning.code, warning.step, warning.message, Request.Record.Address);
  if (progressOpen && Services.ShowMessage) {
    Services.ShowMessage("Error.", WarningText(warning.step, warning.message), MessageKind::Error);
  }
}

std::vector<std::string> SendContext::SendNames() const {
  std::vector<std::string> names;
  names.reserve(Files.size());
  for (const std::string& file : Files) names.push_back(AttachmentName(file, TimeStamp));
  return names;
}

}  // namespace kestrova
