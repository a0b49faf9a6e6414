// Mails one report with two attachments (a log and a screenshot; sizes in KB as the arguments)
// to an aiosmtpd server on 127.0.0.1 and times the whole conversation: connect, greeting,
// HELO, RSET, MAIL, RCPT, DATA and the message. The server is Debian's python3-aiosmtpd with
// its Sink handler; CPU time is this process's, the rest is the server's and the machine's.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "excreport/delivery/smtp_mail_sender.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::uint16_t FreeLoopbackPort() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(s, reinterpret_cast<sockaddr*>(&address), length);
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  close(s);
  return ntohs(address.sin_port);
}

bool Listening(std::uint16_t port) {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(s);
  return ok;
}

// The SMTP server for the run; stopped when the benchmark ends.
class SinkServer {
 public:
  SinkServer() : port_(FreeLoopbackPort()) {
    const std::string listen = "127.0.0.1:" + std::to_string(port_);
    const char* argv[] = {"/usr/bin/python3",       "-m", "aiosmtpd",     "-n",   "-c",
                          "aiosmtpd.handlers.Sink", "-l", listen.c_str(), nullptr};
    if (posix_spawn(&pid_, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
      std::fprintf(stderr, "cannot start aiosmtpd\n");
      std::exit(1);
    }
    for (int i = 0; i < 200 && !Listening(port_); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  ~SinkServer() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  std::uint16_t Port() const { return port_; }

 private:
  std::uint16_t port_;
  pid_t pid_ = -1;
};

fs::path MakeFiles(std::size_t logBytes, std::size_t pictureBytes) {
  std::string pattern = (fs::temp_directory_path() / "kestrova-mailbench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  const fs::path folder = pattern;
  std::string log;
  for (int i = 0; log.size() < logBytes; ++i) {
    log += "Exception 'EConvertError' at 0x004" + std::to_string(10000 + i) +
           ": 'x' is not a valid floating point value\r\n";
  }
  std::ofstream(folder / "kestrova.qmf", std::ios::binary) << log;
  std::string picture(pictureBytes, '\0');
  std::uint32_t state = 7;
  for (char& c : picture) c = static_cast<char>((state = state * 1664525 + 1013904223) >> 24);
  std::ofstream(folder / "Screenshot.png", std::ios::binary) << picture;
  return folder;
}

void BM_ReportMailWithTwoAttachments(benchmark::State& state) {
  SinkServer server;
  const fs::path folder = MakeFiles(static_cast<std::size_t>(state.range(0)) * 1000,
                                    static_cast<std::size_t>(state.range(1)) * 1000);
  kestrova::TSmtpMail mail;
  mail.server = "127.0.0.1";
  mail.port = server.Port();
  mail.sender = "kestrova@sender.test";
  mail.recipient = "support@receiver.test";
  mail.subject = "Kestrova report";
  mail.body = "An exception was reported; the log and the screenshot are attached.";
  mail.files = {(folder / "kestrova.qmf").string(), (folder / "Screenshot.png").string()};
  for (auto _ : state) {
    const kestrova::TSmtpResult result = kestrova::SendMailTo(mail);
    if (!result.accepted) {
      state.SkipWithError(result.error.c_str());
      break;
    }
  }
  fs::remove_all(folder);
}
BENCHMARK(BM_ReportMailWithTwoAttachments)
    ->Args({20, 100})
    ->Args({200, 300})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
