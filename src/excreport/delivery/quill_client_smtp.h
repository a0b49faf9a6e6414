// TQuillClientSMTP: the socket client holding an SMTP dialogue, one command at a time.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "excreport/delivery/quill_client_socket.h"

namespace kestrova {

// Opening waits for the server's 220 greeting. Each reply is read up to its last line, so a
// conversation moves on as soon as the server has answered. A refused greeting or command
// raises EQuillSocketError whose message is the transcript, ending with the server's reply.
class TQuillClientSMTP final : public TQuillClientSocket {
 public:
  using TQuillClientSocket::TQuillClientSocket;

  // Connects, then reads the greeting; raises with the transcript unless it is 220.
  void OpenConnection() override;

  // Reads one reply (raising on a timeout or a closed connection); true when its code, the
  // first line's, is accepted.
  bool CheckReply(std::initializer_list<std::uint16_t> accepted);

  // Sends the command (CR LF appended unless present) and checks the reply. An empty command
  // sends nothing and returns false; otherwise returns true or raises with the transcript.
  // The transcript shows logAs in place of the command when it is given, so that secrets and
  // bulk stay out of error texts; the wire gets the command unchanged.
  bool SendCommand(const std::string& command, std::initializer_list<std::uint16_t> accepted,
                   const std::string& logAs = {});
};

}  // namespace kestrova
