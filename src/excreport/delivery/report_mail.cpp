// The per-recipient loop of the report e-mail.
#include "excreport/delivery/report_mail.h"

#include <exception>

#include "excreport/delivery/mail_text.h"
#include "excreport/delivery/smtp_mail_sender.h"

namespace kestrova {
namespace {

constexpr int kResolvingText = 77;

TQuillmarkWarning SmtpWarning(const std::string& message) {
  return {TQuillmarkErrorCode::eeEmailSMTPError, "SMTP", message};
}

class TRecipientLoop final {
 public:
  TRecipientLoop(const TReportMail& mail, const TCustomizedTexts& texts,
                 const TReportMailFeed& feed, const TMailHostLookup& lookup)
      : mail_(mail), texts_(texts), feed_(feed), lookup_(lookup) {}

  TReportMailResult Run() {
    const std::vector<std::string> recipients = SplitRecipients(mail_.recipients);
    count_ = static_cast<int>(recipients.size());
    try {
      for (const std::string& recipient : recipients) {
        ++index_;
        if (feed_.position) feed_.position(0);
        if (feed_.counters) feed_.counters(index_, count_);
        SendTo(recipient);
      }
    } catch (const std::exception& e) {
      result_.sent = false;
      result_.warnings.push_back(SmtpWarning(e.what()));
    }
    if (feed_.finished) feed_.finished();
    return std::move(result_);
  }

 private:
  void Show(int text) const {
    if (feed_.status) {
      feed_.status(texts_.at(static_cast<std::size_t>(text)) + " (" + std::to_string(index_) + "/" +
                   std::to_string(count_) + ")");
    }
  }

  void SendTo(const std::string& recipient) {
    TSmtpMail one;
    one.server = mail_.server;
    one.port = mail_.port;
    one.user = mail_.user;
    one.password = mail_.password;
    if (mail_.direct) {
      Show(kResolvingText);
      one.server = ResolveMailHost(recipient, kMailHostTimeoutMs, lookup_);
      one.user.clear();
      one.password.clear();
    }
    one.sender = mail_.sender;
    one.recipient = recipient;
    one.subject = mail_.subject;
    one.body = mail_.body;
    one.files = mail_.files;
    one.files.insert(one.files.end(), mail_.extraFiles.begin(), mail_.extraFiles.end());
    one.attachmentStamp = mail_.attachmentStamp;

    TSmtpProgress progress;
    progress.status = [this](TSmtpStatus status) { Show(status); };
    progress.position = feed_.position;
    const TSmtpResult sent = SendMailTo(one, progress);
    if (sent.accepted) {
      result_.sent = true;
    } else if (!sent.error.empty()) {
      result_.warnings.push_back(SmtpWarning(sent.error));
    }
  }

  const TReportMail& mail_;
  const TCustomizedTexts& texts_;
  const TReportMailFeed& feed_;
  const TMailHostLookup& lookup_;
  int index_ = 0;
  int count_ = 0;
  TReportMailResult result_;
};

}  // namespace

TReportMailResult SendReportMail(const TReportMail& mail, const TCustomizedTexts& texts,
                                 const TReportMailFeed& feed, const TMailHostLookup& lookup) {
  return TRecipientLoop(mail, texts, feed, lookup).Run();
}

TReportMailResult SendReportMail(const TReportMail& mail, const TCustomizedTexts& texts,
                                 const TReportMailFeed& feed) {
  return SendReportMail(mail, texts, feed, SystemMailHostLookup());
}

}  // namespace kestrova
