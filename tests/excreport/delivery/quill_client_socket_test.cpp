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
#include "excreport/delivery/smtp_reply.h"

namespace kestrova {
namespace {

using test::Close;
using test::Flood;
using test::ReadBytes;
using test::ReadLine;
using test::Reset;
using test::ScriptedTcpServer;
using test::Send;
using test::Stall;
using test::TScriptStep;
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

// A reply read up to its last line, as SMTP defines it.
std::string ReadSmtpReply(TQuillClientSocket& socket) { return socket.ReadReply(SmtpReplyLength); }

TEST(QuillClientSocketTest, ReplyEndsAtItsLastLineHoweverItIsSplit) {
  ScriptedTcpServer server(
      {Send("250-fi"), Send("rst\r\n250", 50), Send(" last\r\n354 next\r\n", 50)});
  TQuillClientSocket socket("127.0.0.1", 5000, true, server.Port());
  socket.OpenConnection();
  EXPECT_EQ(ReadSmtpReply(socket), "250-first\r\n250 last\r\n");
  // What came with it is the start of the next reply.
  EXPECT_EQ(ReadSmtpReply(socket), "354 next\r\n");
  EXPECT_EQ(socket.SessionLog(),
            ConnectLine(server.Port()) + "250-first\r\n250 last\r\n354 next\r\n");
}

TEST(QuillClientSocketTest, TextWithoutLineEndEndsAfterASecondOfSilence) {
  ScriptedTcpServer server({Send("220 no line end")});
  TQuillClientSocket socket("127.0.0.1", 5000, true, server.Port());
  socket.OpenConnection();
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(ReadSmtpReply(socket), "220 no line end");
  EXPECT_GE(MsSince(start), TQuillClientSocket::kReplySilenceMs);
}

TEST(QuillClientSocketTest, SilenceUntilReadTimeout) {
  ScriptedTcpServer server({});
  TQuillClientSocket socket("127.0.0.1", 300, true, server.Port());
  socket.OpenConnection();
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(ErrorOf([&] { ReadSmtpReply(socket); }),
            "Socket timeout.\r\nSocket log:\r\n" + ConnectLine(server.Port()));
  EXPECT_GE(MsSince(start), 300);
  EXPECT_FALSE(socket.Connected());
}

// Servers that misbehave while the client reads: each read fails with its own message, well
// within the time the client allows (generous bounds: the machine may be loaded).
TEST(QuillClientSocketTest, MisbehavingServersFailClearlyWithinTheDeadline) {
  std::vector<TScriptStep> trickle = {Send("220-")};
  for (int i = 0; i < 40; ++i) trickle.push_back(Send(i % 5 == 4 ? "\r\n220-" : "x", 200));
  struct Case {
    const char* what;
    std::vector<TScriptStep> script;
    std::string message;
  } cases[] = {
      {"trickling server", trickle, "Socket timeout: the reply did not end within 2000 ms."},
      {"flooding server", {Flood(std::string(4096, 'x'))}, "Reply longer than 65536 bytes."},
      {"continuation lines only",
       {Send("220-a\r\n"), Send("220-b\r\n", 500)},
       "Socket timeout: the reply did not end within 2000 ms."},
      {"closed before replying", {Close()}, "Connection closed by the server."},
      {"closed inside a reply", {Send("220-a\r\n"), Close()}, "Connection closed by the server."},
  };
  for (Case& c : cases) {
    ScriptedTcpServer server(std::move(c.script));
    TQuillClientSocket socket("127.0.0.1", 2000, true, server.Port());
    socket.OpenConnection();
    const Clock::time_point start = Clock::now();
    const std::string message = ErrorOf([&] { ReadSmtpReply(socket); });
    EXPECT_TRUE(message.starts_with(c.message + "\r\nSocket log:\r\n" + ConnectLine(server.Port())))
        << c.what << ": " << message.substr(0, 200);
    EXPECT_LT(MsSince(start), 2000 + 3000) << c.what;
    // The transcript in the message holds at most one capped reply, so memory stayed bounded.
    EXPECT_LT(message.size(), TQuillClientSocket::kMaxReplyBytes + 200) << c.what;
    EXPECT_FALSE(socket.Connected()) << c.what;
  }
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
  // The reset waits for a line from the client, so that it cannot come before the connect has
  // been seen through.
  ScriptedTcpServer server({Send("220 hi\r\n"), ReadLine(), Reset()});
  TQuillClientSocket socket("127.0.0.1", 1000, true, server.Port());
  socket.OpenConnection();
  EXPECT_EQ(ReadSmtpReply(socket), "220 hi\r\n");
  socket.SendText("NOOP\r\n");
  while (!server.ScriptDone()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
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

TEST(QuillClientSMTPTest, DelayedSecondGreetingLineComesBeforeHelo) {
  // Longer than the silence that once ended a reply: the greeting is only whole at "220 ".
  ScriptedTcpServer server(
      {Send("220-\r\n"), Send("220 ready\r\n", 1500), ReadLine(), Send("250 ok\r\n")});
  TQuillClientSMTP client("127.0.0.1", 5000, true, server.Port());
  client.OpenConnection();
  EXPECT_TRUE(client.SendCommand("HELO here", {250}));
  EXPECT_EQ(client.SessionLog(),
            ConnectLine(server.Port()) + "220-\r\n220 ready\r\nHELO here\r\n250 ok\r\n");
}

TEST(QuillClientSMTPTest, ServerThatStopsReadingAfter354FailsTheSend) {
  ScriptedTcpServer server({Send("220 hi\r\n"), ReadLine(), Send("354 go ahead\r\n"), Stall()});
  TQuillClientSMTP client("127.0.0.1", 1000, true, server.Port());
  client.OpenConnection();
  client.SendCommand("DATA", {354});
  // Far more than the kernel's buffers on both ends hold.
  const std::string message(64 << 20, 'x');
  const Clock::time_point start = Clock::now();
  const std::string error = ErrorOf([&] { client.SendCommand(message, {250}, "<message>"); });
  EXPECT_TRUE(
      error.starts_with("Socket timeout: the server took no data for 1000 ms.\r\nSocket log:\r\n"))
      << error.substr(0, 200);
  EXPECT_LT(MsSince(start), 1000 + 10000);
  EXPECT_FALSE(client.Connected());
}

TEST(QuillClientSMTPTest, ServerThatClosesMidConversationIsReportedAtOnce) {
  ScriptedTcpServer server({Send("220 hi\r\n"), ReadLine(), Close()});
  TQuillClientSMTP client("127.0.0.1", 30000, true, server.Port());
  client.OpenConnection();
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(ErrorOf([&] { client.SendCommand("HELO here", {250}); }),
            "Connection closed by the server.\r\nSocket log:\r\n" + ConnectLine(server.Port()) +
                "220 hi\r\nHELO here\r\n");
  EXPECT_LT(MsSince(start), 10000) << "long before the 30 s read timeout";
}

TEST(QuillClientSMTPTest, TranscriptShowsTheStandInText) {
  ScriptedTcpServer server({Send("220 hi\r\n"), ReadLine(), Send("334 go\r\n")});
  TQuillClientSMTP client("127.0.0.1", 5000, true, server.Port());
  client.OpenConnection();
  EXPECT_TRUE(client.SendCommand("c2VjcmV0", {334}, "<credentials>"));
  EXPECT_EQ(server.Received(), "c2VjcmV0\r\n");
  EXPECT_EQ(client.SessionLog(),
            ConnectLine(server.Port()) + "220 hi\r\n<credentials>\r\n334 go\r\n");
}

TEST(QuillClientSMTPTest, RefusedGreetingRaisesTheTranscript) {
  for (const std::string greeting : {"hello 220\r\n", "554 busy\r\n"}) {
    ScriptedTcpServer server({Send(greeting)});
    TQuillClientSMTP client("127.0.0.1", 5000, true, server.Port());
    EXPECT_EQ(ErrorOf([&] { client.OpenConnection(); }), ConnectLine(server.Port()) + greeting);
  }
}

// A server that stops answering at any step of a mail conversation (0: before its greeting):
// that step fails with a timeout within the client's deadline.
TEST(QuillClientSMTPTest, ServerThatStallsAtAnyStepFailsThatStepInTime) {
  const struct {
    const char* command;
    std::uint16_t code;
    const char* reply;
  } steps[] = {{"HELO here", 250, "250 ok\r\n"},       {"MAIL FROM:<a@b>", 250, "250 ok\r\n"},
               {"RCPT TO:<c@d>", 250, "250 ok\r\n"},   {"DATA", 354, "354 go ahead\r\n"},
               {".", 250, "250 queued\r\n"},           {"QUIT", 221, "221 bye\r\n"}};
  for (std::size_t stall = 0; stall <= std::size(steps); ++stall) {
    std::vector<TScriptStep> script;
    if (stall > 0) script.push_back(Send("220 hi\r\n"));
    for (std::size_t i = 0; i + 1 < stall; ++i) {
      script.push_back(ReadLine());
      script.push_back(Send(steps[i].reply));
    }
    script.push_back(Stall());
    ScriptedTcpServer server(std::move(script));
    TQuillClientSMTP client("127.0.0.1", 1000, true, server.Port());
    const Clock::time_point start = Clock::now();
    const std::string message = ErrorOf([&] {
      client.OpenConnection();
      for (const auto& step : steps) client.SendCommand(step.command, {step.code});
    });
    EXPECT_TRUE(message.starts_with("Socket timeout")) << "stall at step " << stall << ": " << message;
    EXPECT_LT(MsSince(start), 1000 + 3000) << "stall at step " << stall;
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
