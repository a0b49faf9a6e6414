// Whole SMTP conversations with an aiosmtpd server on 127.0.0.1; the received messages are
// decoded by Python's email parser.
#include "excreport/delivery/smtp_mail_sender.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iomanip>
#include <regex>
#include <sstream>

#include "excreport/delivery/base64.h"
#include "excreport/delivery/mail_attachment.h"
#include "excreport/delivery/mail_message.h"
#include "excreport/delivery/mail_text.h"
#include "excreport/delivery/smtp_sink_process.h"

namespace kestrova {
namespace {

using test::SmtpSinkProcess;

std::string Hex(const std::string& bytes) {
  std::ostringstream out;
  for (unsigned char c : bytes) out << std::hex << std::setw(2) << std::setfill('0') << int{c};
  return out.str();
}

class SmtpMailSenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "kestrova-files-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    png_ = std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    for (int i = 0; i < 60; ++i) sixty_ += static_cast<char>(i * 7);
    std::ofstream(folder_ / "shot.png", std::ios::binary) << png_;
    std::ofstream(folder_ / "report.log", std::ios::binary) << sixty_;
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  TSmtpMail Mail(const std::string& recipient) const {
    TSmtpMail mail;
    mail.server = "127.0.0.1";
    mail.port = sink_.Port();
    mail.sender = "kestrova@sender.test";
    mail.recipient = recipient;
    mail.subject = "Report\r\nof a failure";
    mail.body = "Something failed.\r\n.hidden line";
    mail.files = {(folder_ / "shot.png").string(), (folder_ / "gone.txt").string(),
                  (folder_ / "report.log").string()};
    return mail;
  }

  SmtpSinkProcess sink_;
  std::filesystem::path folder_;
  std::string png_, sixty_;
};

TEST_F(SmtpMailSenderTest, HeloConversationDeliversTheMessageAsComposed) {
  std::vector<int> statuses;
  std::vector<int> positions;
  TSmtpProgress progress;
  progress.status = [&](TSmtpStatus status) { statuses.push_back(status); };
  progress.position = [&](int percent) { positions.push_back(percent); };
  const TSmtpMail mail = Mail("you@receiver.test");
  const TSmtpResult result = SendMailTo(mail, progress);
  ASSERT_TRUE(result.accepted) << result.error;
  EXPECT_EQ(result.error, "");
  EXPECT_EQ(statuses, (std::vector<int>{78, 79, 80}));
  ASSERT_FALSE(positions.empty());
  EXPECT_EQ(positions.back(), 100);

  const std::vector<std::string> expected = {
      "HELO " + LocalHostName(),
      "RSET",
      "MAIL kestrova@sender.test",
      "RCPT you@receiver.test",
      "DATA 1",
      "SUBJECT Report of a failure",
      "PART text/plain - " + Hex("Something failed.\r\n.hidden line\r\n"),
      "PART image/png shot.png " + Hex(png_),
      "PART application/octet-stream report.log " + Hex(sixty_),
      "DEFECTS 0",
  };
  EXPECT_EQ(sink_.Events(), expected);

  // What arrived is the composed message up to the ending "." (the server removes the
  // stuffed dot); only the date and the message number come from the clock.
  const std::string received = sink_.Message(1);
  std::smatch date, id;
  ASSERT_TRUE(std::regex_search(received, date, std::regex("^Date: ([^\r]*)\r\n")));
  ASSERT_TRUE(std::regex_search(received, id, std::regex("Message-ID: <([0-9]+)@")));
  TMailMessage message;
  message.date = date[1];
  message.sender = mail.sender;
  message.recipient = mail.recipient;
  message.subject = mail.subject;
  message.body = "Something failed.\r\nhidden line";  // as the receiver un-stuffs it
  message.tickCount = static_cast<std::uint32_t>(std::stoul(id[1]));
  for (const std::string& file : mail.files)
    message.attachmentParts += BuildAttachmentPart(file, "");
  std::string composed = ComposeMailMessage(message);
  composed.pop_back();
  const std::string stuffedBody = "Something failed.\r\n.hidden line";
  composed.replace(composed.find("Something failed.\r\nhidden line"), 30, stuffedBody);
  EXPECT_EQ(received, composed);
}

TEST_F(SmtpMailSenderTest, GermanAndChineseMailIsWellFormed) {
  const std::string subject =
      "Fehlerbericht: Gr\xC3\xB6\xC3\x9F"
      "enfehler \xE9\x94\x99\xE8\xAF\xAF\xE6\x8A\xA5\xE5\x91\x8A";
  const std::string body =
      "Die Anwendung ist abgest\xC3\xBCrzt.\r\n\xE5\xBA\x94\xE7\x94\xA8\xE7\xA8\x8B\xE5\xBA\x8F"
      "\xE5\xB4\xA9\xE6\xBA\x83\xE4\xBA\x86\xE3\x80\x82\r\n" +
      std::string(120, '=');
  const std::string fileName = "Bericht \"\xC3\xBC\xE6\x8A\xA5\xE5\x91\x8A\".log";
  std::ofstream(folder_ / fileName, std::ios::binary) << sixty_;
  TSmtpMail mail = Mail("you@receiver.test");
  mail.subject = subject;
  mail.body = body;
  mail.files = {(folder_ / fileName).string()};
  const TSmtpResult result = SendMailTo(mail);
  ASSERT_TRUE(result.accepted) << result.error;
  const std::vector<std::string> events = sink_.Events();
  const std::vector<std::string> tail(events.end() - 4, events.end());
  EXPECT_EQ(tail, (std::vector<std::string>{
                      "SUBJECT " + subject,
                      "PART text/plain - " + Hex(body + "\r\n"),
                      "PART application/octet-stream " + fileName + " " + Hex(sixty_),
                      "DEFECTS 0",
                  }));
  // Every line of the message as sent is within the 76 characters of encoded text, the
  // date's offset included.
  const std::string received = sink_.Message(1);
  for (std::size_t at = 0, end; at < received.size(); at = end + 2) {
    end = received.find("\r\n", at);
    if (end == std::string::npos) end = received.size();
    EXPECT_LE(end - at, 78u) << received.substr(at, end - at);
  }
}

TEST_F(SmtpMailSenderTest, OnlyAPasswordLogsInWithAnEmptyUser) {
  TSmtpMail mail = Mail("you@receiver.test");
  mail.password = "secret";
  mail.files.clear();
  const TSmtpResult result = SendMailTo(mail);
  ASSERT_TRUE(result.accepted) << result.error;
  const std::vector<std::string> events = sink_.Events();
  ASSERT_GE(events.size(), 6u);
  EXPECT_EQ(
      std::vector<std::string>(events.begin(), events.begin() + 6),
      (std::vector<std::string>{"EHLO " + LocalHostName(), "RSET", "AUTH - secret",
                                "MAIL kestrova@sender.test", "RCPT you@receiver.test", "DATA 1"}));
}

TEST_F(SmtpMailSenderTest, UserAndPasswordLogIn) {
  TSmtpMail mail = Mail("you@receiver.test");
  mail.user = "reporter";
  mail.password = "p@ss word";
  mail.files.clear();
  ASSERT_TRUE(SendMailTo(mail).accepted);
  const std::vector<std::string> events = sink_.Events();
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(events[2], "AUTH reporter p@ss word");
}

TEST_F(SmtpMailSenderTest, EachRecipientOfTheListGetsItsOwnConversation) {
  for (const std::string& recipient : SplitRecipients(" a ; ,b,")) {
    TSmtpMail mail = Mail(recipient);
    mail.files.clear();
    EXPECT_TRUE(SendMailTo(mail).accepted) << recipient;
  }
  std::vector<std::string> conversations;
  for (const std::string& event : sink_.Events()) {
    if (event.starts_with("HELO ") || event.starts_with("RCPT ") || event.starts_with("DATA ")) {
      conversations.push_back(event.substr(0, 4) == "HELO" ? "HELO" : event);
    }
  }
  EXPECT_EQ(conversations,
            (std::vector<std::string>{"HELO", "RCPT a", "DATA 1", "HELO", "RCPT b", "DATA 2"}));
}

TEST_F(SmtpMailSenderTest, RefusedRecipientEndsTheConversationWithItsTranscript) {
  TSmtpMail mail = Mail("refused@receiver.test");
  const TSmtpResult result = SendMailTo(mail);
  EXPECT_FALSE(result.accepted);
  EXPECT_TRUE(result.error.starts_with("Connected to 127.0.0.1 port " +
                                       std::to_string(sink_.Port()) + "\r\n220 "))
      << result.error;
  EXPECT_TRUE(
      result.error.ends_with("RCPT TO:<refused@receiver.test>\r\n550 no such user here\r\n"))
      << result.error;
  for (const std::string& event : sink_.Events()) EXPECT_FALSE(event.starts_with("DATA"));
}

TEST_F(SmtpMailSenderTest, ErrorTextHoldsNeitherCredentialsNorThePayload) {
  TSmtpMail mail = Mail("reject@receiver.test");
  mail.user = "reporter";
  mail.password = "secret-password";
  for (int line = 0; line < 2000; ++line) mail.body += std::string(60, 'b') + "\r\n";
  const TSmtpResult result = SendMailTo(mail);
  EXPECT_FALSE(result.accepted);
  // The login lines and the message show as stand-ins; the rest of the dialogue is all there.
  std::smatch payload;
  ASSERT_TRUE(std::regex_search(
      result.error, payload,
      std::regex("AUTH LOGIN\r\n334 [^\r]*\r\n<credentials>\r\n334 [^\r]*\r\n"
                 "<credentials>\r\n235 [^\r]*\r\n(?:.|\r|\n)*DATA\r\n354 [^\r]*\r\n"
                 "<message, ([0-9]+) bytes>\r\n554 message rejected\r\n$")))
      << result.error;
  EXPECT_GT(std::stoul(payload[1]), 120000u);
  for (const std::string& secret :
       {Base64Text(mail.user), Base64Text(mail.password), std::string(60, 'b')}) {
    EXPECT_EQ(result.error.find(secret), std::string::npos) << secret;
  }
  EXPECT_LT(result.error.size(), 2000u);
}

TEST(SmtpMailSenderNoServerTest, ConnectionFailureIsReportedNotRaised) {
  TSmtpMail mail;
  mail.server = "0.0.0.0";
  mail.recipient = "you@receiver.test";
  std::vector<int> statuses;
  const TSmtpResult result =
      SendMailTo(mail, {[&](TSmtpStatus status) { statuses.push_back(status); }, {}});
  EXPECT_FALSE(result.accepted);
  EXPECT_TRUE(result.error.starts_with("Connection error: \"")) << result.error;
  EXPECT_EQ(statuses, std::vector<int>{78});
}

}  // namespace
}  // namespace kestrova
