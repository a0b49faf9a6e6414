#include "app/quit_on_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <system_error>

namespace kestrova {
namespace {

int pipeEnds[2] = {-1, -1};
struct sigaction previousInt {
}, previousTerm{};

// signal-safe: write(2) only, errno kept.
void OnSignal(int signal) {
  const int saved = errno;
  const char byte = static_cast<char>(signal);
  [[maybe_unused]] ssize_t ignored = ::write(pipeEnds[1], &byte, 1);
  errno = saved;
}

}  // namespace

QuitOnSignals::QuitOnSignals() {
  if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) {
    throw std::system_error(errno, std::generic_category(), "pipe2");
  }
  notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &QuitOnSignals::OnPipe);
  struct sigaction action {};
  action.sa_handler = OnSignal;
  action.sa_flags = SA_RESTART;
  ::sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, &previousInt);
  ::sigaction(SIGTERM, &action, &previousTerm);
}

QuitOnSignals::~QuitOnSignals() {
  ::sigaction(SIGINT, &previousInt, nullptr);
  ::sigaction(SIGTERM, &previousTerm, nullptr);
  delete notifier_;
  ::close(pipeEnds[0]);
  ::close(pipeEnds[1]);
  pipeEnds[0] = pipeEnds[1] = -1;
}

void QuitOnSignals::OnPipe() {
  char byte = 0;
  while (::read(pipeEnds[0], &byte, 1) == 1) received_ = static_cast<unsigned char>(byte);
  QCoreApplication::exit(0);
}

}  // namespace kestrova
