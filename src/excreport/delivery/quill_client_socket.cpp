// The socket client on POSIX sockets. All errno-to-message translation of the client is here.
#include "excreport/delivery/quill_client_socket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "excreport/delivery/quill_socket_error.h"

namespace kestrova {
namespace {

using Clock = std::chrono::steady_clock;

std::int64_t MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

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

// Blocking connect that survives a signal: an interrupted connect goes on in the background,
// so wait for it and read its outcome. Returns 0 or the errno of the failure.
int ConnectSocket(int fd, const sockaddr_in& address) {
  // Linux would take 0.0.0.0 for this machine; an unresolved name must fail instead.
  if (address.sin_addr.s_addr == htonl(INADDR_ANY)) return EADDRNOTAVAIL;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return 0;
  if (errno != EINTR) return errno;
  pollfd pending{fd, POLLOUT, 0};
  while (poll(&pending, 1, -1) < 0) {
    if (errno != EINTR) return errno;
  }
  int error = 0;
  socklen_t length = sizeof error;
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
  return error;
}

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
  int fd = socket(AF_INET, (stream_ ? SOCK_STREAM : SOCK_DGRAM) | SOCK_CLOEXEC, 0);
  if (fd < 0) RaiseError(WithSystemText("Invalid socket: \"%s\".", errno));
  socket_ = fd;
  address_ = {};
  address_.sin_family = AF_INET;
  address_.sin_port = htons(serverPort_);
  address_.sin_addr = ResolveHost(serverHost_);
  if (int error = ConnectSocket(fd, address_); error != 0) {
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

void TQuillClientSocket::FailTransfer(const char* format, int error) {
  // Closing empties the transcript; the message is built from the one of the failed session.
  EQuillSocketError failure =
      EQuillSocketError::WithTranscript(WithSystemText(format, error), sessionLog_);
  close(socket_);
  ResetConnection();
  throw failure;
}

int TQuillClientSocket::SendBytes(const char* buffer, int count) {
  if (!connected_) return 0;
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
  const int total = static_cast<int>(text.size());
  int sum = 0;
  for (int offset = 0; offset < total; offset += kSendChunk) {
    const int chunk = std::min(kSendChunk, total - offset);
    sum += SendBytes(text.data() + offset, chunk);
    if (onBytesSent_) onBytesSent_(this, offset + chunk + 1, total);
  }
  return sum;
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

namespace {

// Waits until bytes are waiting on the socket or timeoutMs passed; true when bytes wait.
// poll() stands in for the 1 ms sleeps: it wakes at the first byte instead of up to 1 ms later.
bool WaitForBytes(TQuillClientSocket& socket, int fd, std::int64_t timeoutMs) {
  const Clock::time_point start = Clock::now();
  for (;;) {
    if (socket.ReceiveBytes(nullptr, -1) > 0) return true;
    const std::int64_t left = timeoutMs - MsSince(start);
    if (left <= 0) return false;
    pollfd readable{fd, POLLIN, 0};
    // A closed or failed connection stays readable with nothing to read: poll every 1 ms then.
    if (poll(&readable, 1, static_cast<int>(left)) > 0) {
      if (socket.ReceiveBytes(nullptr, -1) > 0) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
}

}  // namespace

std::string TQuillClientSocket::ReadAvailable() {
  std::string result;
  for (;;) {
    const int waiting = ReceiveBytes(nullptr, -1);
    if (waiting <= 0) break;
    std::string chunk(static_cast<size_t>(waiting), '\0');
    const int received = ReceiveBytes(chunk.data(), waiting);
    if (received > 0) {
      chunk.resize(static_cast<size_t>(received));
      result += chunk;
      sessionLog_ += chunk;
    }
    if (!WaitForBytes(*this, socket_, kReplySilenceMs)) break;
  }
  return result;
}

std::string TQuillClientSocket::ReadWithin() {
  const Clock::time_point start = Clock::now();
  for (;;) {
    std::string text = ReadAvailable();
    if (!text.empty()) return text;
    const std::int64_t left = static_cast<std::int64_t>(readTimeoutMs_) - MsSince(start);
    if (left <= 0) return text;
    WaitForBytes(*this, socket_, left);
  }
}

std::string TQuillClientSocket::ReadReply() {
  std::string text = ReadWithin();
  if (text.empty()) RaiseError("Socket timeout.");
  return text;
}

}  // namespace kestrova
