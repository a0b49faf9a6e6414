// A scripted UDP peer on loopback for the mail-host lookup tests.
#include "excreport/delivery/scripted_udp_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace kestrova::test {

ScriptedUdpServer::ScriptedUdpServer(Answer answer) : answer_(std::move(answer)) {
  socket_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (socket_ < 0 || bind(socket_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("cannot bind 127.0.0.1");
  }
  port_ = ntohs(address.sin_port);
  // Every datagram carries its kernel receive time.
  const int on = 1;
  setsockopt(socket_, SOL_SOCKET, SO_TIMESTAMP, &on, sizeof on);
  thread_ = std::thread(&ScriptedUdpServer::Run, this);
}

ScriptedUdpServer::~ScriptedUdpServer() {
  stop_ = true;
  thread_.join();
  close(socket_);
}

std::vector<ScriptedUdpServer::Datagram> ScriptedUdpServer::Received() const {
  std::lock_guard lock(mutex_);
  return received_;
}

void ScriptedUdpServer::Run() {
  while (!stop_) {
    pollfd readable{socket_, POLLIN, 0};
    if (poll(&readable, 1, 20) <= 0) continue;
    char buffer[65536];
    char control[CMSG_SPACE(sizeof(timeval))];
    sockaddr_in peer{};
    iovec data{buffer, sizeof buffer};
    msghdr header{};
    header.msg_name = &peer;
    header.msg_namelen = sizeof peer;
    header.msg_iov = &data;
    header.msg_iovlen = 1;
    header.msg_control = control;
    header.msg_controllen = sizeof control;
    const ssize_t got = recvmsg(socket_, &header, 0);
    if (got < 0) continue;
    const std::string datagram(buffer, static_cast<std::size_t>(got));
    // The kernel's receive time, so that a late wake-up of this thread does not shift it.
    timeval stamp{};
    for (cmsghdr* item = CMSG_FIRSTHDR(&header); item != nullptr;
         item = CMSG_NXTHDR(&header, item)) {
      if (item->cmsg_level == SOL_SOCKET && item->cmsg_type == SCM_TIMESTAMP) {
        std::memcpy(&stamp, CMSG_DATA(item), sizeof stamp);
      }
    }
    const auto arrival = std::chrono::system_clock::time_point(
        std::chrono::seconds(stamp.tv_sec) + std::chrono::microseconds(stamp.tv_usec));
    {
      std::lock_guard lock(mutex_);
      received_.push_back({datagram, arrival});
    }
    for (const Reply& reply : answer_(datagram)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(reply.delayMs));
      sendto(socket_, reply.bytes.data(), reply.bytes.size(), 0, reinterpret_cast<sockaddr*>(&peer),
             header.msg_namelen);
    }
  }
}

}  // namespace kestrova::test
