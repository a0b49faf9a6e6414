// The MX query, name decoding and reply reading, against hand-built packets.
#include "excreport/delivery/dns_packet.h"

#include <gtest/gtest.h>

#include <cstdint>

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
    reply += Bytes({0xC0, 12, 0, 15, 0, 1, 0, 0, 0x0E, 0x10, static_cast<int>(data.size() >> 8),
                    static_cast<int>(data.size() & 0xFF)});
    reply += data;
  }
  return reply;
}

constexpr std::uint16_t kId = 0x4141;  // "AA"

TEST(BuildMxQueryTest, HeaderAndQuestionBytes) {
  EXPECT_EQ(BuildMxQuery("abc.example", kId), kQuery);
  EXPECT_EQ(BuildMxQuery("abc.example", 0xBEEF).substr(0, 2), "\xBE\xEF");
  // A trailing dot names the same domain; an empty label must not end the name early.
  EXPECT_EQ(BuildMxQuery("abc.example.", kId), kQuery);
  EXPECT_EQ(BuildMxQuery("", kId), Bytes({'A', 'A', 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 15, 0, 1}));
  EXPECT_EQ(BuildMxQuery(std::string(63, 'a') + ".test", kId).size(), 12u + 64 + 5 + 1 + 4);
  // Names DNS cannot carry, or that hold control characters, are not asked for.
  const std::string refused[] = {std::string(64, 'a') + ".test",
                                 std::string(4, '.') + std::string(252, 'a'), "abc.\x01xample",
                                 "abc.example\x7f"};
  for (const std::string& domain : refused) EXPECT_EQ(BuildMxQuery(domain, kId), "") << domain;
}

TEST(IsUsableHostNameTest, LengthAndCharacters) {
  const std::pair<std::string, bool> cases[] = {
      {"mail.abc.example", true},
      {std::string(255, 'a'), true},
      {std::string(256, 'a'), false},
      {"", false},
      {"mail\r\nRCPT", false},
      {"a\x7f", false},
      {"a\x1f", false},
      {"m\xC3\xA4il", true},
  };
  for (const auto& [name, usable] : cases) EXPECT_EQ(IsUsableHostName(name), usable) << name;
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

// A reply built from kQuery with the given flags byte 3 (result code) and raw records.
std::string RawReply(int flags3, int answers, int authority, const std::string& records) {
  std::string reply = kQuery;
  reply[2] = static_cast<char>(0x81);
  reply[3] = static_cast<char>(flags3);
  reply[7] = static_cast<char>(answers);
  reply[9] = static_cast<char>(authority);
  return reply + records;
}

std::string Record(int type, const std::string& data) {
  return Bytes({0xC0, 12, 0, type, 0, 1, 0, 0, 0x0E, 0x10, 0, static_cast<int>(data.size())}) +
         data;
}

TEST(ParseMxReplyTest, TakesTheFirstMxRecordOfARealAnswer) {
  const std::string mail = Bytes({0, 10, 4, 'm', 'a', 'i', 'l', 0xC0, 12});
  const std::string empty = Bytes({0, 5, 0});
  const std::string loop = Bytes({0, 5, 0xC0, 43});        // points at itself
  const std::string outside = Bytes({0, 5, 3, 'm', 'x'});  // the label runs past the record
  const std::string control = Bytes({0, 5, 3, 'm', '\n', 'x', 0});
  std::string longName = Bytes({0, 5});  // five labels of 60: 304 bytes with the dots
  for (int i = 0; i < 5; ++i) longName += static_cast<char>(60) + std::string(60, 'a');
  longName += '\0';
  const std::string cname = Bytes({4, 'm', 'a', 'i', 'l', 0xC0, 12});
  const std::string soa = Bytes({2, 'n', 's', 0, 0}) + std::string(20, '\1');
  struct Case {
    const char* what;
    std::string reply;
    std::uint16_t id;
    bool answered;
    std::string host;
  } cases[] = {
      {"one MX", Reply({mail}), kId, true, "mail.abc.example"},
      {"two MX", Reply({mail, empty}), kId, true, "mail.abc.example"},
      {"empty first exchange", Reply({empty, mail}), kId, true, ""},
      {"pointer loop", Reply({loop}), kId, true, ""},
      {"label past the record", Reply({outside}) + Bytes({'x', 0}), kId, true, ""},
      {"control character", Reply({control}), kId, true, ""},
      {"name over 255 bytes", Reply({longName}), kId, true, ""},
      {"no answer", Reply({}), kId, true, ""},
      {"cut short", Reply({mail}).substr(0, 40), kId, true, ""},
      {"CNAME then MX", RawReply(0x80, 2, 0, Record(5, cname) + Record(15, mail)), kId, true,
       "mail.abc.example"},
      {"NODATA with SOA", RawReply(0x80, 0, 1, Record(6, soa)), kId, true, ""},
      {"NXDOMAIN with SOA", RawReply(0x83, 0, 1, Record(6, soa)), kId, true, ""},
      {"NXDOMAIN with an MX", RawReply(0x83, 1, 0, Record(15, mail)), kId, true, ""},
      {"SOA as answer", RawReply(0x80, 1, 0, Record(6, soa)), kId, true, ""},
      {"other identifier", Reply({mail}), 0x4142, false, ""},
      {"not a response", Reply({mail}).replace(2, 1, 1, '\x01'), kId, false, ""},
      {"header only", Bytes({'A', 'A', 0x81, 0x80}), kId, false, ""},
      {"empty datagram", "", kId, false, ""},
  };
  for (const Case& c : cases) {
    const TMxAnswer answer = ParseMxReply(c.reply, c.id);
    EXPECT_EQ(answer.answered, c.answered) << c.what;
    EXPECT_EQ(answer.host, c.host) << c.what;
  }
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
