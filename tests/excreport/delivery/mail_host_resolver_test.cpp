// The mail-host lookup against a scripted DNS server on a loopback port.
#include "excreport/delivery/mail_host_resolver.h"

#include <gtest/gtest.h>

#include <set>

#include "excreport/delivery/quill_socket_error.h"
#include "excreport/delivery/scripted_udp_server.h"

namespace kestrova {
namespace {

using test::ScriptedUdpServer;
using Replies = std::vector<ScriptedUdpServer::Reply>;
using Clock = std::chrono::steady_clock;

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out += static_cast<char>(v);
  return out;
}

// The query for "abc.example" after its two identifier bytes, written out by
// hand.
const std::string kQueryAfterId =
    Bytes({1, 0,   0,   1,   0,   0,   0,   0,   0, 0, 3,  'a', 'b', 'c',
           7, 'e', 'x', 'a', 'm', 'p', 'l', 'e', 0, 0, 15, 0,   1});

// A reply to the query: its identifier and question, the flags (response,
// recursion desired and available, the result code), then the records given,
// each with its type, in the answer or the authority section.
struct Record {
  int type;
  std::string data;
};
std::string Reply(const std::string& query, int resultCode, std::vector<Record> answers,
                  std::vector<Record> authority = {}) {
  std::string reply = query;
  reply[2] = static_cast<char>(0x81);
  reply[3] = static_cast<char>(0x80 | resultCode);
  reply[7] = static_cast<char>(answers.size());
  reply[9] = static_cast<char>(authority.size());
  answers.insert(answers.end(), authority.begin(), authority.end());
  for (const Record& r : answers) {
    reply +=
        Bytes({0xC0, 12, 0, r.type, 0, 1, 0, 0, 0x0E, 0x10, 0, static_cast<int>(r.data.size())});
    reply += r.data;
  }
  return reply;
}

const std::string kMail = Bytes({0, 10, 4, 'm', 'a', 'i', 'l', 0xC0, 12});  // mail.abc.example
// An SOA record's data: primary server "ns.other", mailbox "hostmaster", five
// numbers.
const std::string kSoa = Bytes({2,   'n', 's', 5,   'o', 't', 'h', 'e', 'r', 0,   10,
                                'h', 'o', 's', 't', 'm', 'a', 's', 't', 'e', 'r', 0}) +
                         std::string(20, '\1');
constexpr int kMx = 15, kSoaType = 6;

// Answers a query with one MX record whose data is the given bytes (preference
// included).
ScriptedUdpServer::Answer AnswerWith(std::string data) {
  return [data](const std::string& query) { return Replies{{Reply(query, 0, {{kMx, data}})}}; };
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

std::int64_t MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

TEST(ResolveMailHostTest, FindsTheFirstAnswersExchange) {
  ScriptedUdpServer server(AnswerWith(kMail));
  const TMailHostLookup lookup{{"127.0.0.1"}, server.Port()};
  EXPECT_EQ(ResolveMailHost("someone@abc.example", 30000, lookup), "mail.abc.example");
  // Without an at sign the whole address is the domain.
  EXPECT_EQ(ResolveMailHost("abc.example", 30000, lookup), "mail.abc.example");
  const auto received = server.Received();
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0].bytes.substr(2), kQueryAfterId);
  EXPECT_EQ(received[1].bytes.substr(2), kQueryAfterId);
}

TEST(ResolveMailHostTest, RepliesWithoutAHostLeadToTheResolveError) {
  const std::pair<const char*, ScriptedUdpServer::Answer> cases[] = {
      {"empty first exchange", AnswerWith(Bytes({0, 5, 0}))},
      {"pointer loop", AnswerWith(Bytes({0, 5, 0xC0, 43}))},  // the exchange points at itself
      {"NODATA with an SOA",
       [](const std::string& q) {
         return Replies{{Reply(q, 0, {}, {{kSoaType, kSoa}})}};
       }},
      {"NXDOMAIN with an SOA",
       [](const std::string& q) {
         return Replies{{Reply(q, 3, {}, {{kSoaType, kSoa}})}};
       }},
      {"SOA in the answer section",
       [](const std::string& q) {
         return Replies{{Reply(q, 0, {{kSoaType, kSoa}})}};
       }},
      {"server failure with an MX",
       [](const std::string& q) {
         return Replies{{Reply(q, 2, {{kMx, kMail}})}};
       }},
  };
  for (const auto& [what, answer] : cases) {
    ScriptedUdpServer server(answer);
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(ErrorOf("x@abc.example", 300, {{"127.0.0.1"}, server.Port()}),
              "Cannot resolve the \"abc.example\" MX record.\r\nSocket log:\r\n")
        << what;
    // Every pass asks again and takes the answer as final at once.
    EXPECT_EQ(server.Received().size(), 5u) << what;
    EXPECT_LT(MsSince(start), 1000) << what;
  }
}

TEST(ResolveMailHostTest, DatagramsThatDoNotAnswerTheQueryAreDropped) {
  const auto forged = [](const std::string& q) {
    std::string wrongId = Reply(q, 0, {{kMx, Bytes({0, 5, 5, 'e', 'v', 'i', 'l', 'x', 0})}});
    wrongId[1] = static_cast<char>(wrongId[1] ^ 1);
    std::string notResponse = Reply(q, 0, {{kMx, Bytes({0, 5, 5, 'e', 'v', 'i', 'l', 'y', 0})}});
    notResponse[2] = 1;
    return Replies{{wrongId}, {notResponse}, {""}, {"x"}, {Reply(q, 0, {{kMx, kMail}})}};
  };
  ScriptedUdpServer server(forged);
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(ResolveMailHost("x@abc.example", 30000, {{"127.0.0.1"}, server.Port()}),
            "mail.abc.example");
  EXPECT_EQ(server.Received().size(), 1u);
  // The empty datagram is consumed, not waited on.
  EXPECT_LT(MsSince(start), 3000);
}

TEST(ResolveMailHostTest, SlowAndFastSendersAreCutAtThePassBudget) {
  // A server that keeps sending datagrams that are no answer, slowly or as fast
  // as it can.
  const std::pair<const char*, ScriptedUdpServer::Answer> cases[] = {
      {"slow",
       [](const std::string&) {
         return Replies(4, {"x", 150});
       }},
      {"fast",
       [](const std::string& q) {
         return Replies(20000, {Reply(q, 0, {{kMx, kMail}}).substr(1)});
       }},
  };
  for (const auto& [what, answer] : cases) {
    ScriptedUdpServer server(answer);
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(ErrorOf("x@abc.example", 350, {{"127.0.0.1"}, server.Port()}),
              "Cannot resolve the \"abc.example\" MX record.\r\nSocket log:\r\n")
        << what;
    // Five passes of 100 to 300 ms budget: 1 s, with room for a loaded machine.
    EXPECT_LT(MsSince(start), 5000) << what;
  }
}

TEST(ResolveMailHostTest, SilentServerIsAskedOncePerPassWithGrowingBudgets) {
  ScriptedUdpServer server([](const std::string&) { return Replies{}; });
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(ErrorOf("x@abc.example", 350, {{"127.0.0.1"}, server.Port()}),
            "Cannot resolve the \"abc.example\" MX record.\r\nSocket log:\r\n");
  const auto elapsed = Clock::now() - start;
  const auto received = server.Received();
  ASSERT_EQ(received.size(), 5u);
  // Budgets 100, 150, 200, 250, 300 ms: each pass waits its whole budget for a
  // reply. The arrivals are stamped by the server's thread, which may see one datagram a
  // little late and the next on time: a few milliseconds are allowed for that.
  constexpr std::chrono::milliseconds kStampJitter{15};
  for (int pass = 0; pass + 1 < kMailHostPasses; ++pass) {
    const auto gap = received[pass + 1].arrival - received[pass].arrival;
    EXPECT_GE(gap, std::chrono::milliseconds(MailHostPassBudget(350, pass)) - kStampJitter) << pass;
  }
  EXPECT_GE(elapsed, std::chrono::milliseconds(1000));
  // Each query has its own random identifier.
  std::set<std::string> ids;
  for (const auto& datagram : received) ids.insert(datagram.bytes.substr(0, 2));
  EXPECT_GT(ids.size(), 1u);
}

TEST(ResolveMailHostTest, AServerThatAnswersWithoutHostPassesToTheNext) {
  // Both entries are the one loopback server: the first answer has no host, so
  // the second entry is asked within the same pass and its answer is read
  // again.
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
  ScriptedUdpServer server([](const std::string&) { return Replies{}; });
  const std::string domains[] = {std::string(64, 'a') + ".test",
                                 std::string(128, 'a') + "." + std::string(128, 'b'),
                                 "abc\nexample"};
  for (const std::string& domain : domains) {
    EXPECT_EQ(ErrorOf("x@" + domain, 300, {{"127.0.0.1"}, server.Port()}),
              "Cannot resolve the \"" + domain + "\" MX record.\r\nSocket log:\r\n");
  }
  EXPECT_TRUE(server.Received().empty());
}

}  // namespace
}  // namespace kestrova
