// One SMTP conversation of the report e-mail.
#include "excreport/delivery/smtp_mail_sender.h"

#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <exception>

#include "excreport/delivery/base64.h"
#include "excreport/delivery/mail_attachment.h"
#include "excreport/delivery/mail_message.h"
#include "excreport/delivery/quill_client_smtp.h"
#include "excreport/delivery/rfc_date.h"
#include "excreport/delivery/smtp_reply.h"

namespace kestrova {
namespace {

std::string DateNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return RfcDate(local, local.tm_gmtoff);
}

// Milliseconds since boot in 32 bits, wrapping like the tick counter it stands in for.
std::uint32_t TickCount() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint32_t>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

std::string BuildMessage(const TSmtpMail& mail) {
  TMailMessage message;
  message.date = DateNow();
  message.sender = mail.sender;
  message.recipient = mail.recipient;
  message.subject = mail.subject;
  message.body = mail.body;
  message.tickCount = TickCount();
  for (const std::string& file : mail.files) {
    message.attachmentParts += BuildAttachmentPart(file, mail.attachmentStamp);
  }
  return ComposeMailMessage(message);
}

// What the transcript, which ends up in warnings and error boxes, shows for the login lines.
constexpr const char* kCredentialsInLog = "<credentials>";

void Show(const TSmtpProgress& progress, TSmtpStatus status) {
  if (progress.status) progress.status(status);
}

// HELO, or EHLO with AUTH LOGIN, then RSET and MAIL FROM; false at the first step not taken.
bool Greet(TQuillClientSMTP& client, const TSmtpMail& mail) {
  const std::string host = LocalHostName();
  const std::string from = "MAIL FROM:<" + mail.sender + ">";
  if (mail.user.empty() && mail.password.empty()) {
    return client.SendCommand("HELO " + host, {250}) && client.SendCommand("RSET", {250}) &&
           client.SendCommand(from, {250});
  }
  // The login answers are whole lines, so an empty user goes out as an empty line instead of
  // being skipped as an empty command.
  return client.SendCommand("EHLO " + host, {250}) && client.SendCommand("RSET", {250}) &&
         client.SendCommand("AUTH LOGIN", {334}) &&
         client.SendCommand(Base64Text(mail.user) + "\r\n", {334}, kCredentialsInLog) &&
         client.SendCommand(Base64Text(mail.password) + "\r\n", {235}, kCredentialsInLog) &&
         client.SendCommand(from, {250});
}

bool Converse(const TSmtpMail& mail, const TSmtpProgress& progress) {
  Show(progress, ssConnecting);
  TQuillClientSMTP client(mail.server, kSmtpReadTimeoutMs, true, mail.port);
  client.OpenConnection();
  Show(progress, ssConnected);
  bool accepted = Greet(client, mail);
  Show(progress, ssSendingMessage);
  const std::string message = BuildMessage(mail);
  accepted = accepted && client.SendCommand("RCPT TO:<" + mail.recipient + ">", {250, 251}) &&
             client.SendCommand("DATA", {354});
  if (progress.position) {
    client.SetOnBytesSent([&progress](TQuillClientSocket*, int position, int total) {
      progress.position(
          static_cast<int>(std::min<std::int64_t>(100, std::int64_t{position} * 100 / total)));
    });
  }
  const std::string payload =
      "<message, " + std::to_string(CommandLine(message).size()) + " bytes>";
  accepted = accepted && client.SendCommand(message, {250}, payload);
  client.SetOnBytesSent({});
  return accepted;
}

}  // namespace

std::string LocalHostName() {
  char name[250] = {};
  if (gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

TSmtpResult SendMailTo(const TSmtpMail& mail, const TSmtpProgress& progress) {
  try {
    return {Converse(mail, progress), {}};
  } catch (const std::exception& e) {
    return {false, e.what()};
  }
}

}  // namespace kestrova
