// The SMTP dialogue over the socket client.
#include "excreport/delivery/quill_client_smtp.h"

#include "excreport/delivery/smtp_reply.h"

namespace kestrova {

void TQuillClientSMTP::OpenConnection() {
  TQuillClientSocket::OpenConnection();
  if (!CheckReply({220})) RaiseError(SessionLog());
}

bool TQuillClientSMTP::CheckReply(std::initializer_list<std::uint16_t> accepted) {
  return ReplyAccepted(ReadReply(SmtpReplyLength), accepted);
}

bool TQuillClientSMTP::SendCommand(const std::string& command,
                                   std::initializer_list<std::uint16_t> accepted,
                                   const std::string& logAs) {
  if (command.empty()) return false;
  const std::string line = CommandLine(command);
  bool ok = false;
  if (SendText(line) == static_cast<int>(line.size())) {
    AppendToSessionLog(logAs.empty() ? line : CommandLine(logAs));
    ok = CheckReply(accepted);
  }
  if (!ok) RaiseError(SessionLog());
  return true;
}

}  // namespace kestrova
