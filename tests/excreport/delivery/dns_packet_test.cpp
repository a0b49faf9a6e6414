// The MX query, name decoding and reply reading, against hand-built packets.
#include "excreport/delivery/dns_packet.h"

#include <gtest/gtest.h>

#include "excreport/delivery/dns_server_list.h"
#include "excreport/delivery/mail_host_resolver.h"

namespace kestrova {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out += static_cast<char>(v);
  return out;
}

// The query for "abc.example", written out by hand.
const std::string kQuery =
    Bytes({'A', 'A', 1,   0,   0,   1,   0,   0,   0,   0, 0, 0,  3, 'a', 'b',
           'c', 7,   'e', 'x', 'a', 'm', 'p', 'l', 'e', 0, 0, 15, 0, 1});

// A reply to kQuery: header, question, then answers as name pointer to offset 12, type,
// class, TTL, data length and data.
std::string Reply(std::initializer_list<std::string> answerData) {
  std::string reply = kQuery;
  reply[2] = static_cast<char>(0x81);
  reply[3] = static_cast<char>(0x80);
  reply[7] = static_cast<char>(answerData.size());
  for (const std::string& data : answerData) {
    reply += Bytes({0xC0, 12, 0, 15, 0, 1, 0, 0, 0x0E, 0x10, 0, static_cast<int>(data.size())});
    reply += data;
  }
  return reply;
}

TEST(BuildMxQueryTest, HeaderAndQuestionBytes) {
  EXPECT_EQ(BuildMxQuery("abc.example"), kQuery);
  // A trailing dot names the same domain; an empty label must not end the name early.
  EXPECT_EQ(BuildMxQuery("abc.example."), kQuery);
  EXPECT_EQ(BuildMxQuery(""), Bytes({'A', 'A', 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 15, 0, 1}));
  EXPECT_EQ(BuildMxQuery(std::string(63, 'a') + ".test").size(), 12u + 64 + 5 + 1 + 4);
  EXPECT_EQ(BuildMxQuery(std::string(64, 'a') + ".test"), "");
}

TEST(DecodeDnsNameTest, LabelsPointersAndBrokenNames) {
  // Offset 0: "mail" then a pointer to offset 7, which holds "x.test".
  const std::string message =
      Bytes({4, 'm', 'a', 'i', 'l', 0xC0, 7, 1, 'x', 4, 't', 'e', 's', 't', 0, 0xC0, 0});
  struct Case {
    std::string message;
    std::size_t position;
    std::string name;
    std::size_t next;
    bool complete;
  } cases[] = {
      {message, 7, "x.test", 15, true},
      {message, 0, "mail.x.test", 7, true},          // continues after the first pointer
      {message, 14, "", 15, true},                   // the root name
      {message, 15, "mail.x.test", 17, true},        // two pointers in a row, no loop
      {Bytes({0xC0, 2, 0xC0, 0}), 0, "", 0, false},  // two pointers in a cycle
      {Bytes({1, 'a', 0xC0, 0}), 0, "", 2, false},   // a label leading into a cycle
      {Bytes({5, 'a', 'b'}), 0, "", 0, false},       // label past the end
      {Bytes({2, 'a', 'b'}), 0, "", 3, false},       // no zero byte before the end
      {Bytes({0xC0}), 0, "", 0, false},              // half a pointer
      {Bytes({0xC0, 9}), 0, "", 0, false},           // pointer past the end
  };
  for (const Case& c : cases) {
    const TDnsName name = DecodeDnsName(c.message, c.position);
    EXPECT_EQ(name.name, c.name) << c.position << " " << c.name;
    EXPECT_EQ(name.complete, c.complete) << c.position << " " << c.name;
    if (c.complete) {
      EXPECT_EQ(name.next, c.next) << c.name;
    }
  }
}

TEST(ParseMxReplyTest, ReadsOnlyTheFirstAnswersExchange) {
  const std::string mail = Bytes({0, 10, 4, 'm', 'a', 'i', 'l', 0xC0, 12});
  const std::string empty = Bytes({0, 5, 0});
  const std::string loop = Bytes({0, 5, 0xC0, 43});        // points at itself
  const std::string outside = Bytes({0, 5, 3, 'm', 'x'});  // the label runs past the record
  struct Case {
    std::string reply;
    std::string host;
  } cases[] = {
      {Reply({mail}), "mail.abc.example"},
      {Reply({mail, empty}), "mail.abc.example"},
      {Reply({empty, mail}), ""},  // later answers are not looked at
      {Reply({loop}), ""},
      {Reply({outside}) + Bytes({'x', 0}), ""},
      {Reply({}), ""},
      {Reply({mail}).substr(0, 40), ""},
      {Bytes({'A', 'A', 0x81, 0x80}), ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseMxReply(c.reply), c.host) << c.reply.size();
}

TEST(DnsServerListTest, NameserversInOrderThenTheFallback) {
  const std::string conf =
      "# written by hand\n"
      "search example.test\n"
      "nameserver 10.0.0.1\n"
      "nameserver ::1\n"
      "nameserver 0.0.0.0\n"
      "nameserver\n"
      "  nameserver   192.168.1.1  \n"
      "options ndots:1\n";
  EXPECT_EQ(DnsServerList(conf),
            (std::vector<std::string>{"10.0.0.1", "192.168.1.1", kFallbackDnsServer}));
  EXPECT_EQ(DnsServerList(""), std::vector<std::string>{kFallbackDnsServer});
}

TEST(MailHostPassBudgetTest, GrowsBy50PerPass) {
  const std::uint32_t budgets[] = {6030, 6080, 6130, 6180, 6230};
  for (int pass = 0; pass < kMailHostPasses; ++pass) {
    EXPECT_EQ(MailHostPassBudget(30000, pass), budgets[pass]);
  }
  EXPECT_EQ(MailHostPassBudget(350, 0), 100u);
}

}  // namespace
}  // namespace kestrova
