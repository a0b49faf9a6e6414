// Runs smtp_sink.py (aiosmtpd) on 127.0.0.1 for one test and reads what it recorded.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "excreport/delivery/script_server_process.h"

namespace kestrova::test {

class SmtpSinkProcess final {
 public:
  // Starts the server and waits for its port; throws when it does not come up.
  SmtpSinkProcess();
  // Stops the server it started and removes its folder.
  ~SmtpSinkProcess();
  SmtpSinkProcess(const SmtpSinkProcess&) = delete;
  SmtpSinkProcess& operator=(const SmtpSinkProcess&) = delete;

  std::uint16_t Port() const { return server_.Port(); }
  // The recorded event lines so far (see smtp_sink.py).
  std::vector<std::string> Events() const;
  // The bytes of the n-th message (from 1) as the server received them.
  std::string Message(int n) const;

 private:
  // Removes the folder after the server has stopped, also when starting it failed.
  struct FolderRemover {
    std::filesystem::path folder;
    ~FolderRemover();
  };
  FolderRemover folder_;
  ScriptServerProcess server_;
};

}  // namespace kestrova::test
