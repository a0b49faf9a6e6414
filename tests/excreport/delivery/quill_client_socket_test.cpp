// The socket client and the SMTP dialogue against scripted servers on 127.0.0.1.
#include "excreport/delivery/quill_client_socket.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "excreport/delivery/quill_client_smtp.h"
#include "excreport/delivery/quill_socket_error.h"
#include "excreport/delivery/scripted_tcp_server.h"

namespace kestrova {
namespace {

using test::ReadBytes;
using test::ReadLine;
using test::Reset;
using test::ScriptedTcpServer;
using test::Send;
using Clock = std::chrono::steady_clock;

std::int64_t MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::string ConnectLine(std::uint16_t port) {
  return "Connected to 127.0.0.1 port " + std::to_string(port) + "\r\n";
}

// The message of the EQuillSocketError that the call raises.
template <typename Call>
std::string ErrorOf(Call call) {
  try {
    call();
  } catch (const EQuillSocketError& e) {
    return e.what();
  }
  ADD_FAILURE() << "no EQuillSocketError raised";
  return {};
}

// A loopback port that nobody listens on.
std::uint16_t ClosedPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), length);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

TEST(QuillClientSocketTest, PacketsWithinOneSecondOfSilenceAreOneReply) {
  ScriptedTcpServer server({Send("220-first\r\n"), Send("220 second\r\n", 500)});
  TQuillClientSocket socket("127.0.0.1", 5000, true, server.Port());
  socket.OpenConnection();
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(socket.ReadReply(), "220-first\r\n220 second\r\n");
  // The reply ends only after a full second without data following the second packet.
  EXPECT_GE(MsSince(start), 1500);
  EXPECT_EQ(socket.SessionLog(), ConnectLine(server.Port()) + "220-first\r\n220 second\r\n");
}

TEST(QuillClientSocketTest, PacketsAfterOneSecondOfSilenceAreTwoReplies) {
  ScriptedTcpServer server({Send("220-first\r\n"), Send("220 second\r\n", 1500)});
  TQuillClientSocket socket("127.0.0.1", 5000, true, server.Port());
  socket.OpenConnection();
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(socket.ReadReply(), "220-first\r\n");
  EXPECT_GE(MsSince(start), 1000);
  EXPECT_EQ(socket.ReadReply(), "220 second\r\n");
}

TEST(QuillClientSocketTest, SilenceUntilReadTimeout) {
  ScriptedTcpServer server({});
  TQuillClientSocket socket("127.0.0.1", 300, true, server.Port());
  socket.OpenConnection();
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(socket.ReadWithin(), "");
  EXPECT_GE(MsSince(start), 300);
  EXPECT_EQ(ErrorOf([&] { socket.ReadReply(); }),
            "Socket timeout.\r\nSocket log:\r\n" + ConnectLine(server.Port()));
}

TEST(QuillClientSocketTest, SendTextGoesOutInChunksOf1024) {
  const std::string text(2500, 'x');
  ScriptedTcpServer server({ReadBytes(text.size())});
  TQuillClientSocket socket("127.0.0.1", 1000, true, server.Port());
  std::vector<std::pair<int, int>> events;
  socket.SetOnBytesSent([&](TQuillClientSocket* sender, int position, int total) {
    EXPECT_EQ(sender, &socket);
    events.emplace_back(position, total);
  });
  EXPECT_EQ(socket.SendText(text), 0) << "nothing is sent before the connection is open";
  events.clear();
  socket.OpenConnection();
  EXPECT_EQ(socket.SendText(text), 2500);
  EXPECT_EQ(events, (std::vector<std::pair<int, int>>{{1025, 2500}, {2049, 2500}, {2501, 2500}}));
  while (!server.ScriptDone()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(server.Received(), text);
}

TEST(QuillClientSocketTest, FailedConnectGetsEmptyTranscript) {
  struct Case {
    std::string host;
    std::uint16_t port;
    std::string message;
  } cases[] = {
      {"127.0.0.1", ClosedPort(), "Connection error: \"Connection refused\"\r\nSocket log:\r\n"},
      // An unresolved name gives 0.0.0.0, which must fail rather than reach this machine.
      {"0.0.0.0", 25, "Connection error: \"Cannot assign requested address\"\r\nSocket log:\r\n"},
  };
  for (const Case& c : cases) {
    TQuillClientSocket socket(c.host, 1000, true, c.port);
    EXPECT_EQ(ErrorOf([&] { socket.OpenConnection(); }), c.message) << c.host;
    EXPECT_FALSE(socket.Connected());
  }
}

TEST(QuillClientSocketTest, SendFailureClosesAndKeepsTranscriptInMessage) {
  ScriptedTcpServer server({Send("220 hi\r\n"), Reset()});
  TQuillClientSocket socket("127.0.0.1", 1000, true, server.Port());
  socket.OpenConnection();
  EXPECT_EQ(socket.ReadReply(), "220 hi\r\n");
  const std::string message = ErrorOf([&] { socket.SendText("RSET\r\n"); });
  EXPECT_TRUE(message.starts_with("Error into \"send\": \"")) << message;
  EXPECT_TRUE(
      message.ends_with("\"\r\nSocket log:\r\n" + ConnectLine(server.Port()) + "220 hi\r\n"))
      << message;
  EXPECT_FALSE(socket.Connected());
  EXPECT_EQ(socket.SessionLog(), "");
  EXPECT_EQ(socket.SendBytes("x", 1), 0);
  EXPECT_EQ(socket.ReceiveBytes(nullptr, -1), 0);
}

TEST(QuillClientSMTPTest, GreetingOfSeveralLinesIsAcceptedOnItsFirstCode) {
  ScriptedTcpServer server(
      {Send("220-one\r\n"), Send("220-two\r\n", 100), Send("220 three\r\n", 100)});
  TQuillClientSMTP client("127.0.0.1", 5000, true, server.Port());
  client.OpenConnection();
  EXPECT_TRUE(client.Connected());
  EXPECT_EQ(client.SessionLog(),
            ConnectLine(server.Port()) + "220-one\r\n220-two\r\n220 three\r\n");
  client.CloseConnection();
  EXPECT_FALSE(client.Connected());
  EXPECT_EQ(client.SessionLog(), "");
}

TEST(QuillClientSMTPTest, RefusedGreetingRaisesTheTranscript) {
  for (const std::string greeting : {"hello 220\r\n", "554 busy\r\n"}) {
    ScriptedTcpServer server({Send(greeting)});
    TQuillClientSMTP client("127.0.0.1", 5000, true, server.Port());
    EXPECT_EQ(ErrorOf([&] { client.OpenConnection(); }), ConnectLine(server.Port()) + greeting);
  }
}

TEST(QuillClientSMTPTest, CommandsAreSentAsLinesAndChecked) {
  ScriptedTcpServer server(
      {Send("220 hi\r\n"), ReadLine(), Send("250 ok\r\n"), ReadLine(), Send("251 forwarding\r\n")});
  TQuillClientSMTP client("127.0.0.1", 5000, true, server.Port());
  client.OpenConnection();
  EXPECT_FALSE(client.SendCommand("", {250}));
  EXPECT_TRUE(client.SendCommand("RSET", {250}));
  EXPECT_TRUE(client.SendCommand("RCPT TO:<a@b>\r\n", {250, 251}));
  EXPECT_EQ(server.Received(), "RSET\r\nRCPT TO:<a@b>\r\n");
  EXPECT_EQ(client.SessionLog(),
            ConnectLine(server.Port()) +
                "220 hi\r\nRSET\r\n250 ok\r\nRCPT TO:<a@b>\r\n251 forwarding\r\n");
}

TEST(QuillClientSMTPTest, RefusedCommandRaisesTranscriptEndingWithTheReply) {
  ScriptedTcpServer server({Send("220 hi\r\n"), ReadLine(), Send("250 ok\r\n"), ReadLine(),
                            Send("550 no such user\r\n")});
  TQuillClientSMTP client("127.0.0.1", 5000, true, server.Port());
  client.OpenConnection();
  client.SendCommand("HELO here", {250});
  EXPECT_EQ(ErrorOf([&] { client.SendCommand("MAIL FROM:<a@b>", {250}); }),
            ConnectLine(server.Port()) +
                "220 hi\r\nHELO here\r\n250 ok\r\nMAIL FROM:<a@b>\r\n550 no such user\r\n");
}

}  // namespace
}  // namespace kestrova
