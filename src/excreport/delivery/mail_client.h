// E-mail through the desktop's mail client: xdg-email with the attachments, else xdg-open with
// a "mailto:" address.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "excreport/capture/quillmark_warning.h"
#include "excreport/delivery/program_launcher.h"

namespace kestrova {

// What the mail client is handed.
struct MailClientMessage {
  std::string recipients;  // separated by "," and ";"
  std::string subject;
  std::string body;
  std::vector<std::string> files;  // attached when they exist
};

struct MailClientResult {
  bool sent = false;
  std::optional<TQuillmarkWarning> warning;  // set on failure, step "MAPI" or "Shell"
};

// The command of the mail client: "xdg-email --utf8 --subject S --body B", "--attach" and the
// path of each existing file, then each recipient. The subject is cleaned of control characters.
std::vector<std::string> MailClientCommand(const MailClientMessage& message);

// Opens the user's mail client with the message ready to send (xdg-email). Sent when it ended
// with exit code 0; otherwise an eeEmailMAPIError warning.
MailClientResult SendByMapi(ProgramLauncher& launcher, const MailClientMessage& message);

// Hands "mailto:" + recipients + "?Subject=" + subject + "&Body=" + body + three CR LF + report
// text (MailtoAddress) to the desktop's handler (xdg-open). Sent when it ended with exit code 0;
// otherwise an eeEmailShellError warning.
MailClientResult SendByMailto(ProgramLauncher& launcher, const std::string& recipients, const std::string& subject,
                              const std::string& body, const std::string& reportText);

}  // namespace kestrova
