// SendByEmail: the report mailed over SMTP, or handed to the desktop's mail client.
#include "excreport/delivery/mail_client.h"
#include "excreport/delivery/mail_outbox.h"
#include "excreport/delivery/report_mail.h"
#include "excreport/delivery/send_context.h"
#include "excreport/log/log_text.h"

namespace kestrova {
namespace {

bool MailOverSmtp(const SendContext& context, const std::string& text) {
  const TQuillModuleOptions& options = context.Options;
  const std::unique_ptr<SendProgressFeed> progress = context.OpenProgress();
  TReportMail mail;
  mail.direct = options.MailMode() == 3;
  mail.sender = options.MailSender();
  mail.server = options.MailServer();
  mail.port = options.MailServerPort();
  mail.user = options.MailUser();
  mail.password = options.MailPassword();
  mail.recipients = options.MailRecipients();
  mail.subject = options.MailSubjectText();
  mail.body = text;
  mail.files = context.Files;
  mail.attachmentStamp = context.TimeStamp;
  TReportMailFeed feed;
  if (progress) {
    feed.status = [&](const std::string& line) { progress->SetStatus(line); };
    feed.position = [&](int percent) { progress->SetPosition(percent); };
    feed.finished = [&] { progress->EndOfSending(); };
  }
  const TReportMailResult result = SendReportMail(mail, options.Texts(), feed);
  for (const TQuillmarkWarning& warning : result.warnings) context.Warn(warning, progress != nullptr);
  return result.sent;
}

bool MailThroughClient(const SendContext& context, const std::string& text) {
  const TQuillModuleOptions& options = context.Options;
  ProgramLauncher& launcher = *context.Services.Launcher;
  // The client reads the attachments after xdg-email has returned: hand it copies that stay.
  // Its success means the message was handed over, not that it was sent.
  const std::vector<std::string> files =
      PlaceInOutbox(context.Services.MailOutbox, context.Files, context.SendNames());
  MailClientResult result =
      SendByMapi(launcher, {options.MailRecipients(), options.MailSubjectText(), text, files});
  if (!result.sent) {
    context.Warn(*result.warning, false);
    result = SendByMailto(launcher, options.MailRecipients(), options.MailSubjectText(), options.MailBody(),
                          context.Request.ReportText);
    if (!result.sent) context.Warn(*result.warning, false);
  }
  return result.sent;
}

}  // namespace

bool SendByEmail(SendContext& context) {
  const TQuillModuleOptions& options = context.Options;
  context.GoAhead = true;
  context.FireAction(kActionBeforeEmail, context.GoAhead);
  if (!context.GoAhead) return false;
  do {
    context.GoAhead = false;
    std::string text = options.MailBody();
    if (options.LogAppendMode()) text += kReportTerminator + context.Request.TextToSend;
    if (options.MailMode() == 2 || options.MailMode() == 3) {
      context.GoAhead = MailOverSmtp(context, text);
    } else if (options.MailMode() == 1) {
      context.GoAhead = MailThroughClient(context, text);
    }
    context.Retry = false;
    if (!context.GoAhead) context.FireAction(kActionAfterEmail, context.Retry);
  } while (context.Retry);
  context.FireAction(kActionAfterEmail, context.GoAhead);
  return context.GoAhead;
}

}  // namespace kestrova
