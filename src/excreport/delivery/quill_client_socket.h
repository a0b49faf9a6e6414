// TQuillClientSocket: a small IPv4 client socket with bounded waits that keeps a transcript of
// its session.
#pragma once

#include <netinet/in.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kestrova {

class TQuillClientSocket;

// Fired after each chunk of SendText: Position is the count handed over so far plus one,
// Total the length of the whole text.
using TBytesSentEvent = std::function<void(TQuillClientSocket* sender, int position, int total)>;

// Where a reply ends in the text received so far: its length, or 0 while it is incomplete.
using TReplyEnd = std::function<std::size_t(std::string_view received)>;

// One connection to ServerHost:ServerPort over TCP (Stream) or UDP. The object is created for
// one connection and used by one thread at a time. Every call blocks, but no wait is longer
// than ReadTimeoutMs: connecting, each stall of a send, and the whole of one reply. Failures
// raise EQuillSocketError whose message carries the session transcript (SessionLog).
// Destroying a connected object closes the connection.
class TQuillClientSocket {
 public:
  using Clock = std::chrono::steady_clock;

  TQuillClientSocket(std::string serverHost, std::uint32_t readTimeoutMs, bool stream,
                     std::uint16_t serverPort);
  virtual ~TQuillClientSocket();
  TQuillClientSocket(const TQuillClientSocket&) = delete;
  TQuillClientSocket& operator=(const TQuillClientSocket&) = delete;

  // Creates the socket and connects within ReadTimeoutMs; does nothing when already connected.
  virtual void OpenConnection();
  // Closes the socket and resets the object (not connected, empty transcript).
  virtual void CloseConnection();

  // Waits until the socket takes data (at most ReadTimeoutMs, else raises a timeout and
  // closes), then makes one send call; 0 when not connected, -1 when nothing could be sent.
  int SendBytes(const char* buffer, int count);
  // Sends the whole text in chunks of 1024 bytes; returns the sum of the counts sent.
  int SendText(const std::string& text);
  // Size -1: the number of bytes waiting; otherwise one recv call (-1 when nothing is
  // waiting). 0 when not connected.
  int ReceiveBytes(char* buffer, int size);

  // Reads one reply over a stream: it ends where `end` says, and bytes past that stay for the
  // next reply. A text that stops in the middle of a line ends after kReplySilenceMs without
  // new data. Raises, closing the connection, when nothing came within ReadTimeoutMs ("Socket
  // timeout."), when the reply did not end within ReadTimeoutMs, when it grows past
  // kMaxReplyBytes, or when the server closed the connection before sending anything.
  // Everything received goes into the transcript.
  std::string ReadReply(const TReplyEnd& end);

  // One datagram, or nothing when none arrived before the deadline or the server's port
  // refused it. An empty datagram is consumed and returned as an empty text.
  std::optional<std::string> ReceiveDatagram(Clock::time_point deadline);

  const std::string& ServerHost() const { return serverHost_; }
  std::uint16_t ServerPort() const { return serverPort_; }
  std::uint32_t ReadTimeoutMs() const { return readTimeoutMs_; }
  bool Stream() const { return stream_; }
  bool Connected() const { return connected_; }
  const std::string& SessionLog() const { return sessionLog_; }

  void SetOnBytesSent(TBytesSentEvent handler) { onBytesSent_ = std::move(handler); }
  const TBytesSentEvent& OnBytesSent() const { return onBytesSent_; }

  // Chunk size of SendText, so that OnBytesSent can drive a progress bar.
  static constexpr int kSendChunk = 1024;
  // Silence after which a text that stops in the middle of a line counts as the whole reply.
  static constexpr int kReplySilenceMs = 1000;
  // Longest reply taken; a longer one is a fault of the server.
  static constexpr std::size_t kMaxReplyBytes = 64 * 1024;

 protected:
  void AppendToSessionLog(const std::string& text) { sessionLog_ += text; }
  // The error path of every failure: appends the transcript unless the message already holds
  // it, then raises EQuillSocketError.
  [[noreturn]] void RaiseError(const std::string& message) const;

 private:
  // Closes the connection, then raises with the transcript of the session before the close.
  [[noreturn]] void FailAndClose(const std::string& message);
  [[noreturn]] void FailTransfer(const char* format, int error);
  // Waits for one of the poll events until the deadline; true when it came.
  bool WaitFor(short events, Clock::time_point deadline) const;
  void ResetConnection();

  std::string serverHost_;
  std::uint16_t serverPort_;
  std::uint32_t readTimeoutMs_;
  bool stream_;
  sockaddr_in address_{};
  int socket_ = -1;
  bool connected_ = false;
  bool peerClosed_ = false;  // the server ended its side; what it sent before is still read
  std::string unread_;       // received past the end of the last reply
  std::string sessionLog_;
  TBytesSentEvent onBytesSent_;
};

}  // namespace kestrova
