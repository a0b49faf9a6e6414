#include "excreport/delivery/mail_client.h"

#include <filesystem>

#include "excreport/delivery/mail_text.h"
#include "excreport/delivery/mailto_address.h"
#include "excreport/log/log_text.h"

namespace kestrova {
namespace {

// Why a launch did not deliver: the system's message when the program did not start, else its
// exit code.
std::string LaunchFailure(const std::string& program, const LaunchResult& launch) {
  if (!launch.started) return "Cannot start \"" + program + "\": " + launch.error + ".";
  return "\"" + program + "\" failed with exit code " + std::to_string(launch.exitCode) + ".";
}

MailClientResult Outcome(const std::string& program, const LaunchResult& launch, TQuillmarkErrorCode code,
                         const char* step) {
  MailClientResult result;
  result.sent = launch.started && launch.exitCode == 0;
  if (!result.sent) result.warning = TQuillmarkWarning{code, step, LaunchFailure(program, launch)};
  return result;
}

}  // namespace

std::vector<std::string> MailClientCommand(const MailClientMessage& message) {
  std::vector<std::string> command = {"xdg-email",   "--utf8", "--subject", CleanHeaderText(message.subject),
                                      "--body", message.body};
  for (const std::string& file : message.files) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) continue;
    command.push_back("--attach");
    command.push_back(std::filesystem::absolute(file, error).string());
  }
  for (std::string& recipient : SplitRecipients(message.recipients)) command.push_back(std::move(recipient));
  return command;
}

MailClientResult SendByMapi(ProgramLauncher& launcher, const MailClientMessage& message) {
  const std::vector<std::string> command = MailClientCommand(message);
  return Outcome(command.front(), launcher.Run(command), TQuillmarkErrorCode::eeEmailMAPIError, "MAPI");
}

MailClientResult SendByMailto(ProgramLauncher& launcher, const std::string& recipients, const std::string& subject,
                              const std::string& body, const std::string& reportText) {
  const std::string address = MailtoAddress(recipients, subject, body + kReportTerminator + reportText);
  return Outcome("xdg-open", launcher.Run({"xdg-open", address}), TQuillmarkErrorCode::eeEmailShellError, "Shell");
}

}  // namespace kestrova
