// The mail-host lookup against a scripted DNS server on a loopback port.
#include "excreport/delivery/mail_host_resolver.h"

#include <gtest/gtest.h>

#include "excreport/delivery/quill_socket_error.h"
#include "excreport/delivery/scripted_udp_server.h"

namespace kestrova {
namespace {

using test::ScriptedUdpServer;
using Clock = std::chrono::steady_clock;

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out += static_cast<char>(v);
  return out;
}

// The query for "abc.example", written out by hand.
const std::string kQuery =
    Bytes({'A', 'A', 1,   0,   0,   1,   0,   0,   0,   0, 0, 0,  3, 'a', 'b',
           'c', 7,   'e', 'x', 'a', 'm', 'p', 'l', 'e', 0, 0, 15, 0, 1});

// Answers a query with one MX record whose data is the given bytes (preference included).
ScriptedUdpServer::Answer AnswerWith(std::string data) {
  return [data](const std::string& query) {
    std::string reply = query;
    reply[2] = static_cast<char>(0x81);
    reply[3] = static_cast<char>(0x80);
    reply[7] = 1;
    reply += Bytes({0xC0, 12, 0, 15, 0, 1, 0, 0, 0x0E, 0x10, 0, static_cast<int>(data.size())});
    return reply + data;
  };
}

std::string ErrorOf(const std::string& address, std::uint32_t timeoutMs,
                    const TMailHostLookup& lookup) {
  try {
    ResolveMailHost(address, timeoutMs, lookup);
  } catch (const EQuillSocketError& e) {
    return e.what();
  }
  ADD_FAILURE() << "no EQuillSocketError raised";
  return {};
}

TEST(ResolveMailHostTest, FindsTheFirstAnswersExchange) {
  ScriptedUdpServer server(AnswerWith(Bytes({0, 10, 4, 'm', 'a', 'i', 'l', 0xC0, 12})));
  const TMailHostLookup lookup{{"127.0.0.1"}, server.Port()};
  EXPECT_EQ(ResolveMailHost("someone@abc.example", 30000, lookup), "mail.abc.example");
  // Without an at sign the whole address is the domain.
  EXPECT_EQ(ResolveMailHost("abc.example", 30000, lookup), "mail.abc.example");
  const auto received = server.Received();
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0].bytes, kQuery);
  EXPECT_EQ(received[1].bytes, kQuery);
}

TEST(ResolveMailHostTest, RepliesWithoutAHostLeadToTheResolveError) {
  const std::pair<const char*, std::string> cases[] = {
      {"empty first exchange", Bytes({0, 5, 0})},
      {"pointer loop", Bytes({0, 5, 0xC0, 43})},  // the exchange points at itself
  };
  for (const auto& [what, data] : cases) {
    ScriptedUdpServer server(AnswerWith(data));
    EXPECT_EQ(ErrorOf("x@abc.example", 300, {{"127.0.0.1"}, server.Port()}),
              "Cannot resolve the \"abc.example\" MX record.\r\nSocket log:\r\n")
        << what;
    // Every pass asks again: the server answered each time, so each pass used its server.
    EXPECT_EQ(server.Received().size(), 5u) << what;
  }
}

TEST(ResolveMailHostTest, SilentServerIsAskedOncePerPassWithGrowingBudgets) {
  ScriptedUdpServer server([](const std::string&) { return std::string(); });
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(ErrorOf("x@abc.example", 350, {{"127.0.0.1"}, server.Port()}),
            "Cannot resolve the \"abc.example\" MX record.\r\nSocket log:\r\n");
  const auto elapsed = Clock::now() - start;
  const auto received = server.Received();
  ASSERT_EQ(received.size(), 5u);
  // Budgets 100, 150, 200, 250, 300 ms: each pass waits its whole budget for a reply.
  for (int pass = 0; pass + 1 < kMailHostPasses; ++pass) {
    const auto gap = received[pass + 1].arrival - received[pass].arrival;
    EXPECT_GE(gap, std::chrono::milliseconds(MailHostPassBudget(350, pass))) << pass;
  }
  EXPECT_GE(elapsed, std::chrono::milliseconds(1000));
}

TEST(ResolveMailHostTest, AServerThatAnswersWithoutHostPassesToTheNext) {
  // Both entries are the one loopback server: the first answer has no host, so the second
  // entry is asked within the same pass and its answer is read again.
  int asked = 0;
  ScriptedUdpServer server([&asked](const std::string& query) {
    const std::string data = ++asked == 1 ? Bytes({0, 5, 0}) : Bytes({0, 10, 2, 'm', 'x', 0});
    return AnswerWith(data)(query);
  });
  EXPECT_EQ(ResolveMailHost("x@abc.example", 30000, {{"127.0.0.1", "127.0.0.1"}, server.Port()}),
            "mx");
  EXPECT_EQ(server.Received().size(), 2u);
}

TEST(ResolveMailHostTest, DomainThatCannotBeQueriedSendsNothing) {
  ScriptedUdpServer server([](const std::string&) { return std::string(); });
  const std::string domain = std::string(64, 'a') + ".test";
  EXPECT_EQ(ErrorOf("x@" + domain, 300, {{"127.0.0.1"}, server.Port()}),
            "Cannot resolve the \"" + domain + "\" MX record.\r\nSocket log:\r\n");
  EXPECT_TRUE(server.Received().empty());
}

}  // namespace
}  // namespace kestrova
