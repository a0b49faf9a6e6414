// The report e-mail loop against an aiosmtpd server on 127.0.0.1; in the direct mode the mail
// hosts come from a scripted DNS server on a loopback port.
#include "excreport/delivery/report_mail.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "excreport/delivery/scripted_udp_server.h"
#include "excreport/delivery/smtp_mail_sender.h"
#include "excreport/delivery/smtp_sink_process.h"

namespace kestrova {
namespace {

using test::ScriptedUdpServer;
using test::SmtpSinkProcess;

class ReportMailTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = test::MakeTempFolder("kestrova-mail-");
    std::ofstream(folder_ / "report.log") << "the report";
    std::ofstream(folder_ / "extra.txt") << "extra";
    mail_.sender = "kestrova@sender.test";
    mail_.server = "127.0.0.1";
    mail_.port = sink_.Port();
    mail_.subject = "Report";
    mail_.body = "Something failed.";
    mail_.files = {(folder_ / "report.log").string()};
    mail_.extraFiles = {(folder_ / "extra.txt").string()};
    feed_.status = [this](const std::string& line) { lines_.push_back(line); };
    feed_.position = [this](int percent) { positions_.push_back(percent); };
    feed_.counters = [this](int index, int count) { counters_.emplace_back(index, count); };
    feed_.finished = [this] { ++finished_; };
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  // The sink's events of one kind, e.g. "RCPT".
  std::vector<std::string> EventsOf(const std::string& kind) const {
    std::vector<std::string> found;
    for (const std::string& event : sink_.Events()) {
      if (event.starts_with(kind + " ")) found.push_back(event);
    }
    return found;
  }

  // The status lines of one conversation, counted index/count.
  static std::vector<std::string> Conversation(const std::string& counted) {
    return {"Connecting with server... " + counted, "Connected with server. " + counted,
            "Sending message... " + counted};
  }

  SmtpSinkProcess sink_;
  std::filesystem::path folder_;
  TReportMail mail_;
  TReportMailFeed feed_;
  std::vector<std::string> lines_;
  std::vector<int> positions_;
  std::vector<std::pair<int, int>> counters_;
  int finished_ = 0;
};

TEST_F(ReportMailTest, EachRecipientGetsItsConversationWithCountedStatusLines) {
  mail_.recipients = " a@x.test ; ,b@y.test,";
  const TReportMailResult result = SendReportMail(mail_, DefaultTexts(), feed_);
  EXPECT_TRUE(result.sent);
  EXPECT_TRUE(result.warnings.empty());

  std::vector<std::string> lines = Conversation("(1/2)");
  for (const std::string& line : Conversation("(2/2)")) lines.push_back(line);
  EXPECT_EQ(lines_, lines);
  EXPECT_EQ(counters_, (std::vector<std::pair<int, int>>{{1, 2}, {2, 2}}));
  EXPECT_EQ(finished_, 1);
  // Each conversation starts the bar at 0 and ends it at 100.
  ASSERT_FALSE(positions_.empty());
  EXPECT_EQ(positions_.front(), 0);
  EXPECT_EQ(std::count(positions_.begin(), positions_.end(), 0), 2);
  EXPECT_EQ(positions_.back(), 100);

  EXPECT_EQ(EventsOf("HELO").size(), 2u);
  EXPECT_EQ(EventsOf("RCPT"), (std::vector<std::string>{"RCPT a@x.test", "RCPT b@y.test"}));
  // The files, then the extra files, are attached.
  const std::vector<std::string> parts = EventsOf("PART");
  ASSERT_EQ(parts.size(), 6u);
  EXPECT_TRUE(parts[1].starts_with("PART application/octet-stream report.log "));
  EXPECT_TRUE(parts[2].starts_with("PART application/octet-stream extra.txt "));
}

TEST_F(ReportMailTest, RefusedRecipientLeavesAWarningAndTheNextIsStillTried) {
  mail_.recipients = "refused@x.test;b@y.test";
  mail_.user = "reporter";
  mail_.password = "secret";
  const TReportMailResult result = SendReportMail(mail_, DefaultTexts(), feed_);
  EXPECT_TRUE(result.sent);
  ASSERT_EQ(result.warnings.size(), 1u);
  EXPECT_EQ(result.warnings[0].code, TQuillmarkErrorCode::eeEmailSMTPError);
  EXPECT_EQ(result.warnings[0].step, "SMTP");
  EXPECT_TRUE(
      result.warnings[0].message.ends_with("RCPT TO:<refused@x.test>\r\n550 no such user here\r\n"))
      << result.warnings[0].message;
  EXPECT_EQ(EventsOf("AUTH"),
            (std::vector<std::string>{"AUTH reporter secret", "AUTH reporter secret"}));
  EXPECT_EQ(EventsOf("DATA"), std::vector<std::string>{"DATA 1"});
  EXPECT_EQ(finished_, 1);
}

TEST_F(ReportMailTest, DirectModeAsksEachDomainsMailHostAndStopsWhenOneIsNotFound) {
  // x.test and z.test have the sink as mail host; y.test answers without one.
  ScriptedUdpServer dns([](const std::string& query) {
    const bool known = query.find(std::string("\x01y\x04test", 7)) == std::string::npos;
    std::string reply = query;
    reply[2] = static_cast<char>(0x81);
    reply[3] = static_cast<char>(0x80);
    reply[7] = 1;
    const std::string host = known ? std::string(
                                         "\x03"
                                         "127\x01"
                                         "0\x01"
                                         "0\x01"
                                         "1\x00",
                                         11)
                                   : std::string(1, '\0');
    const std::string data = std::string("\x00\x0a", 2) + host;
    reply += std::string("\xC0\x0C\x00\x0F\x00\x01\x00\x00\x0E\x10\x00", 11) +
             static_cast<char>(data.size()) + data;
    return std::vector<ScriptedUdpServer::Reply>{{reply}};
  });
  mail_.direct = true;
  mail_.server = "unused.invalid";
  mail_.user = "reporter";  // the direct mode never logs in
  mail_.password = "secret";
  mail_.recipients = "a@x.test, b@z.test, c@y.test, d@x.test";
  const TReportMailResult result =
      SendReportMail(mail_, DefaultTexts(), feed_, {{"127.0.0.1"}, dns.Port()});

  EXPECT_FALSE(result.sent);
  ASSERT_EQ(result.warnings.size(), 1u);
  EXPECT_EQ(result.warnings[0].code, TQuillmarkErrorCode::eeEmailSMTPError);
  EXPECT_TRUE(result.warnings[0].message.starts_with("Cannot resolve the \"y.test\" MX record."))
      << result.warnings[0].message;
  EXPECT_EQ(EventsOf("RCPT"), (std::vector<std::string>{"RCPT a@x.test", "RCPT b@z.test"}));
  EXPECT_EQ(EventsOf("HELO").size(), 2u);
  EXPECT_TRUE(EventsOf("EHLO").empty());
  EXPECT_TRUE(EventsOf("AUTH").empty());

  std::vector<std::string> lines;
  for (const char* counted : {"(1/4)", "(2/4)"}) {
    lines.push_back(std::string("Resolving DNS... ") + counted);
    for (const std::string& line : Conversation(counted)) lines.push_back(line);
  }
  lines.push_back("Resolving DNS... (3/4)");
  EXPECT_EQ(lines_, lines);
  EXPECT_EQ(counters_, (std::vector<std::pair<int, int>>{{1, 4}, {2, 4}, {3, 4}}));
  EXPECT_EQ(finished_, 1);
  // One query for each recipient's domain until the lookup failed, which asks in five passes.
  const auto queries = dns.Received();
  ASSERT_EQ(queries.size(), 7u);
  EXPECT_NE(queries[0].bytes.find(std::string("\x01x\x04test", 7)), std::string::npos);
  EXPECT_NE(queries[1].bytes.find(std::string("\x01z\x04test", 7)), std::string::npos);
}

TEST(ReportMailNoRecipientTest, NothingToSendEndsAtOnce) {
  int finished = 0;
  TReportMailFeed feed;
  feed.finished = [&finished] { ++finished; };
  TReportMail mail;
  mail.recipients = " ;, ";
  const TReportMailResult result = SendReportMail(mail, DefaultTexts(), feed, {{}, 0});
  EXPECT_FALSE(result.sent);
  EXPECT_TRUE(result.warnings.empty());
  EXPECT_EQ(finished, 1);
}

}  // namespace
}  // namespace kestrova
