// Pure text rules of the report e-mail: Base64, the date header, header cleaning, the
// recipient list, the SMTP reply codes and where a reply ends.
#include <gtest/gtest.h>

#include "excreport/delivery/base64.h"
#include "excreport/delivery/mail_encoding.h"
#include "excreport/delivery/mail_text.h"
#include "excreport/delivery/rfc_date.h"
#include "excreport/delivery/smtp_reply.h"

namespace kestrova {
namespace {

TEST(Base64TextTest, StandardVectorsAndBinary) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
      {std::string("\xff\xfe\x00", 3), "//4A"},
      {std::string("\xfb\xef\xbe", 3), "++++"},
  };
  for (const auto& [bytes, encoded] : cases) EXPECT_EQ(Base64Text(bytes), encoded) << encoded;
}

TEST(RfcDateTest, ZoneIsTheExactOffsetInHoursAndMinutes) {
  std::tm sunday{};
  sunday.tm_year = 125;
  sunday.tm_mon = 0;
  sunday.tm_mday = 5;
  sunday.tm_wday = 0;
  sunday.tm_hour = 7;
  sunday.tm_min = 3;
  sunday.tm_sec = 9;
  const std::pair<long, const char*> cases[] = {
      {3600, "Sun, 5 Jan 2025 07:03:09 +0100"},   {-18000, "Sun, 5 Jan 2025 07:03:09 -0500"},
      {36000, "Sun, 5 Jan 2025 07:03:09 +1000"},  {0, "Sun, 5 Jan 2025 07:03:09 +0000"},
      {19800, "Sun, 5 Jan 2025 07:03:09 +0530"},  {16200, "Sun, 5 Jan 2025 07:03:09 +0430"},
      {-12600, "Sun, 5 Jan 2025 07:03:09 -0330"}, {-34200, "Sun, 5 Jan 2025 07:03:09 -0930"},
      {20700, "Sun, 5 Jan 2025 07:03:09 +0545"},  {-1800, "Sun, 5 Jan 2025 07:03:09 -0030"},
  };
  for (const auto& [offset, text] : cases) EXPECT_EQ(RfcDate(sunday, offset), text) << offset;

  std::tm saturday{};
  saturday.tm_year = 99;
  saturday.tm_mon = 11;
  saturday.tm_mday = 31;
  saturday.tm_wday = 6;
  saturday.tm_hour = 23;
  saturday.tm_min = 59;
  saturday.tm_sec = 58;
  EXPECT_EQ(RfcDate(saturday, 50400), "Sat, 31 Dec 1999 23:59:58 +1400");
}

TEST(MailEncodingTest, HeaderValuesOutsideAsciiBecomeEncodedWords) {
  EXPECT_EQ(EncodeHeaderValue("Crash report"), "Crash report");
  EXPECT_EQ(EncodeHeaderValue("\xC3\xA9"), "=?UTF-8?B?w6k=?=");
  // 100 two-byte characters: words of 44 bytes (45 would split a character), folded.
  std::string umlauts;
  for (int i = 0; i < 100; ++i) umlauts += "\xC3\xBC";
  const std::string encoded = EncodeHeaderValue(umlauts);
  std::size_t words = 0;
  for (std::size_t at = 0; at < encoded.size(); ++words) {
    std::size_t end = encoded.find("\r\n ", at);
    if (end == std::string::npos) end = encoded.size();
    const std::string word = encoded.substr(at, end - at);
    EXPECT_TRUE(word.starts_with("=?UTF-8?B?") && word.ends_with("?=")) << word;
    EXPECT_LE(word.size(), 75u) << word;
    at = end == encoded.size() ? end : end + 3;
  }
  EXPECT_EQ(words, 5u);
  EXPECT_TRUE(encoded.starts_with("=?UTF-8?B?" + Base64Text(umlauts.substr(0, 44)) + "?=\r\n "));
}

TEST(MailEncodingTest, QuotedPrintableKeepsLinesAndEscapesTheRest) {
  const std::pair<std::string, std::string> cases[] = {
      {"plain text", "plain text"},
      {"a=b", "a=3Db"},
      {"Gr\xC3\xBC\xC3\x9F"
       "e",
       "Gr=C3=BC=C3=9Fe"},
      {"one\r\ntwo\nthree", "one\r\ntwo\r\nthree"},
      {"blank \r\ntab\t", "blank=20\r\ntab=09"},
      {"a\rb\x01", "a=0Db=01"},
      {std::string(100, 'x'), std::string(75, 'x') + "=\r\n" + std::string(25, 'x')},
      {std::string(74, 'x') + "\xC3\xA4", std::string(74, 'x') + "=\r\n=C3=A4"},
  };
  for (const auto& [text, encoded] : cases) EXPECT_EQ(QuotedPrintable(text), encoded) << text;
}

TEST(MailEncodingTest, ParametersOutsidePlainAsciiUseTheExtendedForm) {
  const std::pair<std::string, std::string> cases[] = {
      {"report.log", "filename=\"report.log\""},
      {"my report.log", "filename=\"my report.log\""},
      {"say \"hi\".txt", "filename*=UTF-8''say%20%22hi%22.txt"},
      {"Gr\xC3\xB6\xC3\x9F"
       "e.log",
       "filename*=UTF-8''Gr%C3%B6%C3%9Fe.log"},
      {"a\\b", "filename*=UTF-8''a%5Cb"},
  };
  for (const auto& [name, parameter] : cases) EXPECT_EQ(MimeParameter("filename", name), parameter);
}

TEST(CleanHeaderTextTest, EachRunOfControlCharactersBecomesOneBlank) {
  const std::pair<std::string, std::string> cases[] = {
      {"Crash\r\nreport", "Crash report"},
      {"\tleading", " leading"},
      {std::string("a\x01\x1f", 3), "a "},
      {"a\r\n\r\nb\nc", "a b c"},
      {"keeps \x7f and blanks  ", "keeps \x7f and blanks  "},
      {"", ""},
  };
  for (const auto& [text, cleaned] : cases) EXPECT_EQ(CleanHeaderText(text), cleaned) << cleaned;
}

TEST(SplitRecipientsTest, SplitsAtCommaAndSemicolonDroppingEmptyPieces) {
  using List = std::vector<std::string>;
  const std::pair<std::string, List> cases[] = {
      {" a ; ,b,", {"a", "b"}},
      {"x@y.test", {"x@y.test"}},
      {"a,b;c", {"a", "b", "c"}},
      {"\tone@x.test\r\n;two@y.test ", {"one@x.test", "two@y.test"}},
      {";; , ", {}},
      {"", {}},
  };
  for (const auto& [text, list] : cases) EXPECT_EQ(SplitRecipients(text), list) << text;
}

TEST(SmtpReplyTest, CodeIsTheNumberAtTheStartOfTheWholeReply) {
  EXPECT_EQ(ReplyCode("250 OK\r\n"), 250u);
  EXPECT_EQ(ReplyCode("220-first\r\n250 second\r\n"), 220u);
  EXPECT_EQ(ReplyCode("0250"), 250u);
  EXPECT_EQ(ReplyCode("99999999999999999999 big"), 4294967295u);
  EXPECT_EQ(ReplyCode("hello 220"), std::nullopt);
  EXPECT_EQ(ReplyCode(" 250"), std::nullopt);
  EXPECT_EQ(ReplyCode(""), std::nullopt);

  EXPECT_TRUE(ReplyAccepted("251 forwarding\r\n", {250, 251}));
  EXPECT_FALSE(ReplyAccepted("252 cannot verify\r\n", {250, 251}));
  EXPECT_FALSE(ReplyAccepted("250 OK\r\n", {}));
  EXPECT_FALSE(ReplyAccepted("OK\r\n", {250}));
  EXPECT_FALSE(ReplyAccepted("65786 wraps past 16 bits\r\n", {250}));
}

TEST(SmtpReplyTest, ReplyEndsAtItsFirstLineThatIsNoContinuation) {
  const std::pair<std::string, std::size_t> cases[] = {
      {"250 OK\r\n", 8},
      {"250\r\n", 5},
      {"250-a\r\n250-b\r\n250 c\r\n", 21},
      {"250-a\r\n250 c\r\n354 next\r\n", 14},  // what follows belongs to the next reply
      {"250-a\n250 c\n", 12},                  // bare LF ends a line too
      {"hello 220\r\n", 11},                   // no reply line: ends it, to be refused
      {"2500-x\r\n", 8},
      {"", 0},
      {"250 OK", 0},                  // the line is not complete yet
      {"250-a\r\n", 0},               // continuation lines only
      {"250-a\r\n250-b\r\n250 ", 0},  // the last line not complete yet
      {"220-", 0},
  };
  for (const auto& [received, length] : cases) {
    EXPECT_EQ(SmtpReplyLength(received), length) << received;
  }
}

TEST(SmtpReplyTest, CommandLineEndsWithExactlyOneCrLf) {
  const std::pair<std::string, std::string> cases[] = {
      {"RSET", "RSET\r\n"}, {"NOOP\r\n", "NOOP\r\n"}, {"A\n", "A\n\r\n"},
      {"A\r", "A\r\r\n"},   {"\r\n", "\r\n"},
  };
  for (const auto& [command, line] : cases) EXPECT_EQ(CommandLine(command), line) << line;
}

}  // namespace
}  // namespace kestrova
