#include "comport/device/virtual_port_relay.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/signalfd.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <span>

namespace kestrova {
namespace {

// The master of a pseudo-terminal reports a hang-up while no process has its slave open.
bool SlaveOpen(int master) {
  pollfd p{.fd = master, .events = POLLIN, .revents = 0};
  return ::poll(&p, 1, 0) >= 0 && (p.revents & POLLHUP) == 0;
}

void CloseDescriptor(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

}  // namespace

int VirtualPortRelay::Run() {
  // Ctrl-C and a closed terminal go to the whole process group: the parent decides when to
  // end, and its end ends the relay. SIGTERM ends the relay itself, through the signalfd.
  // The caller forks with these blocked, so none of them can come before this point.
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  for (int s : {SIGINT, SIGHUP, SIGQUIT}) ::sigaction(s, &ignore, nullptr);
  sigset_t term;
  ::sigemptyset(&term);
  ::sigaddset(&term, SIGTERM);
  ::sigprocmask(SIG_SETMASK, &term, nullptr);
  signals_ = ::signalfd(-1, &term, SFD_CLOEXEC | SFD_NONBLOCK);
  watch_ = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  const bool ready =
      signals_ >= 0 && watch_ >= 0 && ::inotify_add_watch(watch_, ends_.readerSlave, IN_OPEN) >= 0;
  // A reader may have come before the watch was in place.
  if (ready && ReaderPresent()) OnReaderOpened();

  while (ready) {
    enum { kParent, kSignal, kWatch, kComponent, kReader, kCount };
    pollfd fds[kCount] = {
        {.fd = ends_.parentWatch, .events = POLLIN, .revents = 0},
        {.fd = signals_, .events = POLLIN, .revents = 0},
        {.fd = watch_, .events = POLLIN, .revents = 0},
        {.fd = ends_.componentMaster, .events = POLLIN, .revents = 0},
        // Left out while no reader is there: its hang-up would be reported without end.
        {.fd = reader_ ? ends_.readerMaster : -1,
         .events = static_cast<short>(POLLIN | (tailEnd_ > tailStart_ ? POLLOUT : 0)),
         .revents = 0},
    };
    if (::poll(fds, kCount, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[kParent].revents != 0 || fds[kSignal].revents != 0) break;
    if (fds[kWatch].revents != 0) {
      char events[sizeof(inotify_event) * 16];
      while (::read(watch_, events, sizeof events) > 0) {
      }
      // A reader may have written and closed again before the relay saw it come.
      if (!reader_) DrainReaderInput();
      if (!reader_ && ReaderPresent()) OnReaderOpened();
    }
    if (reader_ && (fds[kReader].revents & POLLIN) != 0) ToComponent();
    if (reader_ && (fds[kReader].revents & POLLOUT) != 0) FlushTail();
    if (reader_ && (fds[kReader].revents & (POLLHUP | POLLERR)) != 0 && !ReaderPresent()) OnReaderGone();
    if ((fds[kComponent].revents & POLLIN) != 0) FromComponent();
  }
  ::unlink(ends_.link);
  CloseDescriptor(watch_);
  CloseDescriptor(signals_);
  return ready ? 0 : 1;
}

bool VirtualPortRelay::ReaderPresent() const { return SlaveOpen(ends_.readerMaster); }

void VirtualPortRelay::OnReaderOpened() {
  reader_ = true;
  tailStart_ = tailEnd_ = 0;
}

void VirtualPortRelay::OnReaderGone() {
  DrainReaderInput();
  reader_ = false;
  tailStart_ = tailEnd_ = 0;
  // Frames written after the reader's close and before the hang-up was seen would wait in the
  // slave's input for the next reader, which must start with a fresh whole frame. Only an
  // open slave can flush its own input; the relay's own open and close wake the inotify
  // watch, and the hang-up seen afterwards keeps the reader counted as gone.
  int slave = ::open(ends_.readerSlave, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (slave >= 0) {
    ::tcflush(slave, TCIFLUSH);
    ::close(slave);
  }
}

void VirtualPortRelay::FromComponent() {
  char buffer[1024];
  ssize_t n = ::read(ends_.componentMaster, buffer, sizeof buffer);
  if (n <= 0) return;
  frames_.Feed(std::span<const char>(buffer, static_cast<std::size_t>(n)),
               [this](std::span<const char> frame) { DeliverFrame(frame.data(), frame.size()); });
}

void VirtualPortRelay::DeliverFrame(const char* data, std::size_t size) {
  // Without a reader, or behind a reader that has not taken the last frame yet: dropped.
  if (!reader_ || tailEnd_ > tailStart_) return;
  ssize_t n = ::write(ends_.readerMaster, data, size);
  if (n <= 0) return;  // nothing of it went out: dropped whole
  const auto written = static_cast<std::size_t>(n);
  if (written == size) return;
  std::memcpy(tail_.data(), data + written, size - written);
  tailStart_ = 0;
  tailEnd_ = size - written;
}

void VirtualPortRelay::FlushTail() {
  ssize_t n = ::write(ends_.readerMaster, tail_.data() + tailStart_, tailEnd_ - tailStart_);
  if (n > 0) tailStart_ += static_cast<std::size_t>(n);
  if (tailStart_ == tailEnd_) tailStart_ = tailEnd_ = 0;
}

bool VirtualPortRelay::ToComponent() {
  char buffer[1024];
  ssize_t n = ::read(ends_.readerMaster, buffer, sizeof buffer);
  if (n <= 0) return false;
  // A full input queue at the component end: the rest is lost, as on an overrun line.
  [[maybe_unused]] ssize_t ignored = ::write(ends_.componentMaster, buffer, static_cast<std::size_t>(n));
  return true;
}

void VirtualPortRelay::DrainReaderInput() {
  while (ToComponent()) {
  }
}

}  // namespace kestrova
