// Runs smtp_sink.py (aiosmtpd) on 127.0.0.1 for one test and reads what it recorded.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kestrova::test {

class SmtpSinkProcess final {
 public:
  // Starts the server and waits for its port; throws when it does not come up.
  SmtpSinkProcess();
  // Stops the server it started and removes its folder.
  ~SmtpSinkProcess();
  SmtpSinkProcess(const SmtpSinkProcess&) = delete;
  SmtpSinkProcess& operator=(const SmtpSinkProcess&) = delete;

  std::uint16_t Port() const { return port_; }
  // The recorded event lines so far (see smtp_sink.py).
  std::vector<std::string> Events() const;
  // The bytes of the n-th message (from 1) as the server received them.
  std::string Message(int n) const;

 private:
  std::filesystem::path folder_;
  pid_t pid_ = -1;
  std::uint16_t port_ = 0;
};

}  // namespace kestrova::test
