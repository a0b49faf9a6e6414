// A scripted TCP peer on loopback for the socket client tests.
#include "excreport/delivery/scripted_tcp_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace kestrova::test {

ScriptedTcpServer::ScriptedTcpServer(std::vector<TScriptStep> script) : script_(std::move(script)) {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      listen(listener_, 1) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("cannot listen on 127.0.0.1");
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread(&ScriptedTcpServer::Run, this);
}

ScriptedTcpServer::~ScriptedTcpServer() {
  stop_ = true;
  thread_.join();
  close(listener_);
}

std::string ScriptedTcpServer::Received() const {
  std::lock_guard lock(mutex_);
  return received_;
}

bool ScriptedTcpServer::ReadUntil(int fd, std::size_t size) {
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (received_.size() >= size) return true;
    }
    if (stop_) return false;
    pollfd readable{fd, POLLIN, 0};
    if (poll(&readable, 1, 20) <= 0) continue;
    char buffer[4096];
    const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
    if (got <= 0) return false;
    std::lock_guard lock(mutex_);
    received_.append(buffer, static_cast<std::size_t>(got));
  }
}

bool ScriptedTcpServer::ReadLineFrom(int fd) {
  for (;;) {
    std::size_t size;
    {
      std::lock_guard lock(mutex_);
      const std::size_t end = received_.find("\r\n", lineCursor_);
      if (end != std::string::npos) {
        lineCursor_ = end + 2;
        return true;
      }
      size = received_.size();
    }
    if (!ReadUntil(fd, size + 1)) return false;
  }
}

void ScriptedTcpServer::Run() {
  pollfd pending{listener_, POLLIN, 0};
  while (!stop_ && poll(&pending, 1, 20) <= 0) {
  }
  if (stop_) return;
  const int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return;
  bool open = true;
  for (const TScriptStep& step : script_) {
    if (!open || stop_) break;
    switch (step.kind) {
      case TScriptStep::kSend:
        std::this_thread::sleep_for(std::chrono::milliseconds(step.delayMs));
        open = send(fd, step.bytes.data(), step.bytes.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(step.bytes.size());
        break;
      case TScriptStep::kReadLine:
        open = ReadLineFrom(fd);
        break;
      case TScriptStep::kReadBytes:
        open = ReadUntil(fd, Received().size() + step.count);
        break;
      case TScriptStep::kReset: {
        linger hard{1, 0};
        setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        close(fd);
        done_ = true;
        return;
      }
      case TScriptStep::kClose:
        close(fd);
        done_ = true;
        return;
      case TScriptStep::kStall:
        done_ = true;
        while (!stop_) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        open = false;
        break;
      case TScriptStep::kFlood:
        while (!stop_ && send(fd, step.bytes.data(), step.bytes.size(), MSG_NOSIGNAL) > 0) {
        }
        open = false;
        break;
    }
  }
  done_ = true;
  while (open && ReadUntil(fd, Received().size() + 1)) {
  }
  close(fd);
}

}  // namespace kestrova::test
