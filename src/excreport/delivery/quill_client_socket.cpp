// The socket client on non-blocking POSIX sockets, every wait a poll() with a deadline. All
// errno-to-message translation of the client is here.
#include "excreport/delivery/quill_client_socket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "excreport/delivery/quill_socket_error.h"

namespace kestrova {
namespace {

using Clock = TQuillClientSocket::Clock;

// The message of an error format whose one "%s" is the system's text for the error code.
std::string WithSystemText(const char* format, int error) {
  char buffer[256];
  const char* text = strerror_r(error, buffer, sizeof buffer);
  std::string message(format);
  message.replace(message.find("%s"), 2, text);
  return message;
}

// The first IPv4 address of a host name or dotted address; 0.0.0.0 when it does not resolve.
in_addr ResolveHost(const std::string& host) {
  in_addr result{};
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* list = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &list) == 0 && list != nullptr) {
    result = reinterpret_cast<const sockaddr_in*>(list->ai_addr)->sin_addr;
  }
  if (list != nullptr) freeaddrinfo(list);
  return result;
}

int MsUntil(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::clamp<std::int64_t>(left, 0, 1 << 30));
}

// Waits for the events on fd until the deadline, across signals; the revents, 0 on timeout.
short Poll(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    pollfd entry{fd, events, 0};
    const int ready = poll(&entry, 1, MsUntil(deadline));
    if (ready > 0) return entry.revents;
    if (ready == 0 || errno != EINTR) return 0;
  }
}

// Connect on a non-blocking socket, finished within the deadline. Returns 0 or the errno.
int ConnectSocket(int fd, const sockaddr_in& address, Clock::time_point deadline) {
  // Linux would take 0.0.0.0 for this machine; an unresolved name must fail instead.
  if (address.sin_addr.s_addr == htonl(INADDR_ANY)) return EADDRNOTAVAIL;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return 0;
  if (errno != EINPROGRESS && errno != EINTR) return errno;
  if (Poll(fd, POLLOUT, deadline) == 0) return ETIMEDOUT;
  int error = 0;
  socklen_t length = sizeof error;
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
  return error;
}

Clock::time_point After(std::uint32_t ms) { return Clock::now() + std::chrono::milliseconds(ms); }

}  // namespace

TQuillClientSocket::TQuillClientSocket(std::string serverHost, std::uint32_t readTimeoutMs,
                                       bool stream, std::uint16_t serverPort)
    : serverHost_(std::move(serverHost)),
      serverPort_(serverPort),
      readTimeoutMs_(readTimeoutMs),
      stream_(stream) {}

TQuillClientSocket::~TQuillClientSocket() {
  if (!connected_) return;
  try {
    CloseConnection();
  } catch (const EQuillSocketError&) {
    // The descriptor is released either way; a destructor has nobody to report to.
  }
}

void TQuillClientSocket::RaiseError(const std::string& message) const {
  throw EQuillSocketError::WithTranscript(message, sessionLog_);
}

void TQuillClientSocket::OpenConnection() {
  if (connected_) return;
  const int type = (stream_ ? SOCK_STREAM : SOCK_DGRAM) | SOCK_CLOEXEC | SOCK_NONBLOCK;
  int fd = socket(AF_INET, type, 0);
  if (fd < 0) RaiseError(WithSystemText("Invalid socket: \"%s\".", errno));
  socket_ = fd;
  address_ = {};
  address_.sin_family = AF_INET;
  address_.sin_port = htons(serverPort_);
  address_.sin_addr = ResolveHost(serverHost_);
  if (int error = ConnectSocket(fd, address_, After(readTimeoutMs_)); error != 0) {
    // Freeing the object closes only a connected socket: release this one here so that a
    // failed open leaks no descriptor.
    close(fd);
    socket_ = -1;
    address_ = {};
    RaiseError(WithSystemText("Connection error: \"%s\"", error));
  }
  connected_ = true;
  const auto* bytes = reinterpret_cast<const unsigned char*>(&address_.sin_addr.s_addr);
  char line[64];
  std::snprintf(line, sizeof line, "Connected to %d.%d.%d.%d port %d\r\n", bytes[0], bytes[1],
                bytes[2], bytes[3], serverPort_);
  sessionLog_ = line;
}

void TQuillClientSocket::ResetConnection() {
  socket_ = -1;
  address_ = {};
  connected_ = false;
  peerClosed_ = false;
  unread_.clear();
  sessionLog_.clear();
}

void TQuillClientSocket::CloseConnection() {
  const int fd = socket_;
  const std::string log = sessionLog_;
  ResetConnection();
  // Linux releases the descriptor even when close reports an error, so the object is reset
  // either way and never closes it twice; the message keeps the closed session's transcript.
  if (fd >= 0 && close(fd) != 0) {
    const int error = errno;
    throw EQuillSocketError::WithTranscript(
        WithSystemText("Cannot close the socket: \"%s\"", error), log);
  }
}

void TQuillClientSocket::FailAndClose(const std::string& message) {
  // Closing empties the transcript; the message is built from the one of the failed session.
  EQuillSocketError failure = EQuillSocketError::WithTranscript(message, sessionLog_);
  close(socket_);
  ResetConnection();
  throw failure;
}

void TQuillClientSocket::FailTransfer(const char* format, int error) {
  FailAndClose(WithSystemText(format, error));
}

bool TQuillClientSocket::WaitFor(short events, Clock::time_point deadline) const {
  return Poll(socket_, events, deadline) != 0;
}

int TQuillClientSocket::SendBytes(const char* buffer, int count) {
  if (!connected_) return 0;
  // A server that stops reading must not hold the report for ever.
  if (!WaitFor(POLLOUT, After(readTimeoutMs_))) {
    FailAndClose("Socket timeout: the server took no data for " + std::to_string(readTimeoutMs_) +
                 " ms.");
  }
  ssize_t sent;
  do {
    sent = send(socket_, buffer, static_cast<size_t>(count), MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  if (sent < 0) {
    if (errno == EAGAIN || errno == EWOULDBLOCK) return -1;
    FailTransfer("Error into \"send\": \"%s\"", errno);
  }
  return static_cast<int>(sent);
}

int TQuillClientSocket::SendText(const std::string& text) {
  if (!connected_) return 0;
  const int total = static_cast<int>(text.size());
  for (int offset = 0; offset < total; offset += kSendChunk) {
    const int chunk = std::min(kSendChunk, total - offset);
    // The socket may take part of a chunk; the rest follows once it takes data again. A stall
    // or a failure raises inside SendBytes.
    for (int done = 0; done < chunk;)
      done += std::max(0, SendBytes(text.data() + offset + done, chunk - done));
    if (onBytesSent_) onBytesSent_(this, offset + chunk + 1, total);
  }
  return total;
}

int TQuillClientSocket::ReceiveBytes(char* buffer, int size) {
  if (!connected_) return 0;
  if (size == -1) {
    int waiting = 0;
    if (ioctl(socket_, FIONREAD, &waiting) != 0) return 0;
    return waiting;
  }
  ssize_t received;
  do {
    received = recv(socket_, buffer, static_cast<size_t>(size), 0);
  } while (received < 0 && errno == EINTR);
  if (received < 0) {
    if (errno == EAGAIN || errno == EWOULDBLOCK) return -1;
    FailTransfer("Error into \"recv\": \"%s\"", errno);
  }
  return static_cast<int>(received);
}

std::string TQuillClientSocket::ReadReply(const TReplyEnd& end) {
  const Clock::time_point deadline = After(readTimeoutMs_);
  std::string reply = std::move(unread_);
  unread_.clear();
  for (;;) {
    if (const std::size_t length = end(reply); length > 0) {
      unread_ = reply.substr(length);
      reply.resize(length);
      return reply;
    }
    if (reply.size() >= kMaxReplyBytes) {
      FailAndClose("Reply longer than " + std::to_string(kMaxReplyBytes) + " bytes.");
    }
    const bool partialLine = !reply.empty() && reply.back() != '\n';
    if (peerClosed_) {
      if (partialLine) return reply;
      FailAndClose("Connection closed by the server.");
    }
    const Clock::time_point silenceEnd =
        partialLine ? std::min(deadline, After(kReplySilenceMs)) : deadline;
    // The deadline holds even while data keeps coming faster than the silence.
    if (Clock::now() >= deadline || !WaitFor(POLLIN, silenceEnd)) {
      if (reply.empty()) FailAndClose("Socket timeout.");
      if (partialLine && Clock::now() < deadline) return reply;
      FailAndClose("Socket timeout: the reply did not end within " +
                   std::to_string(readTimeoutMs_) + " ms.");
    }
    char buffer[4096];
    const int room = static_cast<int>(std::min(sizeof buffer, kMaxReplyBytes - reply.size()));
    const int received = ReceiveBytes(buffer, room);
    if (received == 0) {
      peerClosed_ = true;
    } else if (received > 0) {
      const std::string_view text(buffer, static_cast<std::size_t>(received));
      reply.append(text);
      sessionLog_.append(text);
    }
  }
}

std::optional<std::string> TQuillClientSocket::ReceiveDatagram(Clock::time_point deadline) {
  // The largest datagram UDP carries; a longer one would be cut, never grown.
  std::string datagram(65535, '\0');
  while (connected_ && WaitFor(POLLIN, deadline)) {
    ssize_t received;
    do {
      received = recv(socket_, datagram.data(), datagram.size(), 0);
    } while (received < 0 && errno == EINTR);
    if (received >= 0) {
      datagram.resize(static_cast<std::size_t>(received));
      return datagram;
    }
    // An earlier datagram came back as "port unreachable": nobody answers there.
    if (errno == ECONNREFUSED) return std::nullopt;
    if (errno != EAGAIN && errno != EWOULDBLOCK) FailTransfer("Error into \"recv\": \"%s\"", errno);
  }
  return std::nullopt;
}

}  // namespace kestrova
