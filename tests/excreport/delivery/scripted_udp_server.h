// A UDP server on 127.0.0.1 that answers each datagram through a test-given function.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kestrova::test {

class ScriptedUdpServer final {
 public:
  struct Datagram {
    std::string bytes;
    std::chrono::system_clock::time_point arrival;  // when the kernel received it
  };
  // One datagram sent back, after a pause; its bytes may be empty (an empty datagram).
  struct Reply {
    std::string bytes;
    int delayMs = 0;
  };
  // The datagrams sent back for a datagram, in order; none for an empty list.
  using Answer = std::function<std::vector<Reply>(const std::string& datagram)>;

  explicit ScriptedUdpServer(Answer answer);
  ~ScriptedUdpServer();
  ScriptedUdpServer(const ScriptedUdpServer&) = delete;
  ScriptedUdpServer& operator=(const ScriptedUdpServer&) = delete;

  std::uint16_t Port() const { return port_; }
  std::vector<Datagram> Received() const;

 private:
  void Run();

  Answer answer_;
  int socket_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::vector<Datagram> received_;
  std::thread thread_;
};

}  // namespace kestrova::test
