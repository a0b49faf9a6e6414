// TQuillClientSocket: a small blocking IPv4 client socket that keeps a transcript of its session.
#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <functional>
#include <string>

namespace kestrova {

class TQuillClientSocket;

// Fired after each chunk of SendText: Position is the count handed over so far plus one,
// Total the length of the whole text.
using TBytesSentEvent = std::function<void(TQuillClientSocket* sender, int position, int total)>;

// One connection to ServerHost:ServerPort over TCP (Stream) or UDP. The object is created for
// one connection and used by one thread at a time; every call blocks. Failures raise
// EQuillSocketError whose message carries the session transcript (SessionLog). Destroying a
// connected object closes the connection.
class TQuillClientSocket {
 public:
  TQuillClientSocket(std::string serverHost, std::uint32_t readTimeoutMs, bool stream,
                     std::uint16_t serverPort);
  virtual ~TQuillClientSocket();
  TQuillClientSocket(const TQuillClientSocket&) = delete;
  TQuillClientSocket& operator=(const TQuillClientSocket&) = delete;

  // Creates the socket and connects; does nothing when already connected.
  virtual void OpenConnection();
  // Closes the socket and resets the object (not connected, empty transcript).
  virtual void CloseConnection();

  // One send call; 0 when not connected.
  int SendBytes(const char* buffer, int count);
  // Sends the whole text in chunks of 1024 bytes; returns the sum of the counts sent.
  int SendText(const std::string& text);
  // Size -1: the number of bytes waiting; otherwise one recv call. 0 when not connected.
  int ReceiveBytes(char* buffer, int size);

  // Reads while data keeps coming; a reply is complete after 1000 ms without new data.
  std::string ReadAvailable();
  // ReadAvailable until something arrived or ReadTimeoutMs passed; may return empty.
  std::string ReadWithin();
  // ReadWithin; raises "Socket timeout." when nothing arrived.
  std::string ReadReply();

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
  // Silence after which ReadAvailable counts a reply as complete.
  static constexpr int kReplySilenceMs = 1000;

 protected:
  void AppendToSessionLog(const std::string& text) { sessionLog_ += text; }
  // The error path of every failure: appends the transcript unless the message already holds
  // it, then raises EQuillSocketError.
  [[noreturn]] void RaiseError(const std::string& message) const;

 private:
  // Closes after a failed send or recv; the message keeps the transcript of before the close.
  [[noreturn]] void FailTransfer(const char* format, int error);
  void ResetConnection();

  std::string serverHost_;
  std::uint16_t serverPort_;
  std::uint32_t readTimeoutMs_;
  bool stream_;
  sockaddr_in address_{};
  int socket_ = -1;
  bool connected_ = false;
  std::string sessionLog_;
  TBytesSentEvent onBytesSent_;
};

}  // namespace kestrova
