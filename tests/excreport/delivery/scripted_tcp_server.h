// A TCP server on 127.0.0.1 that plays a fixed script to the one client it accepts.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kestrova::test {

struct TScriptStep {
  enum Kind { kSend, kReadLine, kReadBytes, kReset, kClose, kStall, kFlood } kind;
  std::string bytes;      // kSend: what to send
  int delayMs = 0;        // kSend: pause before sending
  std::size_t count = 0;  // kReadBytes: how many bytes to read
};

inline TScriptStep Send(std::string bytes, int delayMs = 0) {
  return {TScriptStep::kSend, std::move(bytes), delayMs, 0};
}
inline TScriptStep ReadLine() { return {TScriptStep::kReadLine, {}, 0, 0}; }
inline TScriptStep ReadBytes(std::size_t count) { return {TScriptStep::kReadBytes, {}, 0, count}; }
// Drops the connection with a reset (SO_LINGER 0), so the client's next send fails.
inline TScriptStep Reset() { return {TScriptStep::kReset, {}, 0, 0}; }
// Closes the connection in the ordinary way: the client reads its end.
inline TScriptStep Close() { return {TScriptStep::kClose, {}, 0, 0}; }
// Stops reading and sending until the server is destroyed; the connection stays open.
inline TScriptStep Stall() { return {TScriptStep::kStall, {}, 0, 0}; }
// Sends the bytes over and over, as fast as the client takes them, until it goes away.
inline TScriptStep Flood(std::string bytes) {
  return {TScriptStep::kFlood, std::move(bytes), 0, 0};
}

// Listens at construction; a thread accepts one connection, runs the steps, then keeps the
// connection open (reading whatever else comes) until the server is destroyed.
class ScriptedTcpServer final {
 public:
  explicit ScriptedTcpServer(std::vector<TScriptStep> script);
  ~ScriptedTcpServer();
  ScriptedTcpServer(const ScriptedTcpServer&) = delete;
  ScriptedTcpServer& operator=(const ScriptedTcpServer&) = delete;

  std::uint16_t Port() const { return port_; }
  // Everything read from the client so far.
  std::string Received() const;
  // True once every step has run.
  bool ScriptDone() const { return done_; }

 private:
  void Run();
  // Reads into received_ until it holds at least `size` bytes; false when stopped or closed.
  bool ReadUntil(int fd, std::size_t size);
  bool ReadLineFrom(int fd);

  std::vector<TScriptStep> script_;
  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<bool> done_{false};
  mutable std::mutex mutex_;
  std::string received_;
  std::size_t lineCursor_ = 0;  // where the next ReadLine step looks for CR LF
  std::thread thread_;
};

}  // namespace kestrova::test
