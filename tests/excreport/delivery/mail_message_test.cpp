// The report e-mail's message, byte for byte, and its attachment parts.
#include "excreport/delivery/mail_message.h"
#include "excreport/delivery/send_names.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "excreport/delivery/mail_attachment.h"

namespace kestrova {
namespace {

class MailMessageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "kestrova-mail-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::string WriteFile(const std::string& name, const std::string& bytes) {
    const std::filesystem::path path = folder_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }

  std::filesystem::path folder_;
};

TEST_F(MailMessageTest, MessageWithTwoAttachmentsByteForByte) {
  // The PNG signature, whose Base64 is well known, and 60 bytes that encode to one full line.
  const std::string png = WriteFile("shot.png", std::string("\x89PNG\r\n\x1a\n", 8));
  std::string sixty;
  for (int i = 0; i < 20; ++i) sixty += "abc";
  const std::string data = WriteFile("data.bin", sixty);

  TMailMessage message;
  message.date = "Sun, 5 Jan 2025 07:03:09 +0100";
  message.sender = "me@here.test";
  message.recipient = "you@there.test";
  message.subject = "Crash\r\nreport\tone";
  message.body = "Body line\r\n.dot line\r\nlast";
  message.tickCount = 123456;
  for (const std::string& file :
       {png, (folder_ / "missing.txt").string(), std::string(" "), data}) {
    message.attachmentParts += BuildAttachmentPart(file, "");
  }

  std::string line80;
  for (int i = 0; i < 20; ++i) line80 += "YWJj";
  const std::string expected =
      "Date: Sun, 5 Jan 2025 07:03:09 +0100\r\n"
      "From: <me@here.test>\r\n"
      "Subject: Crash report one\r\n"
      "To: <you@there.test>\r\n"
      "Content-Type: multipart/mixed; boundary=\"=_xcjvnxkbhvfkxzhfdbvzldjhfv\";\r\n"
      "MIME-Version: 1.0\r\n"
      "Message-ID: <123456@kestrova.report>\r\n"
      "\r\n"
      "This is a multi-part message in MIME format\r\n"
      "\r\n"
      "--=_xcjvnxkbhvfkxzhfdbvzldjhfv\r\n"
      "Content-Type: text/plain; charset=UTF-8\r\n"
      "Content-Transfer-Encoding: quoted-printable\r\n"
      "\r\n"
      "Body line\r\n..dot line\r\nlast\r\n"
      "\r\n--=_xcjvnxkbhvfkxzhfdbvzldjhfv\r\n"
      "Content-Type: image/png;\r\n"
      "        name=\"shot.png\"\r\n"
      "Content-Transfer-Encoding: base64\r\n"
      "Content-Disposition: attachment;\r\n"
      "        filename=\"shot.png\"\r\n"
      "\r\n"
      "iVBORw0KGgo=\r\n"
      "\r\n--=_xcjvnxkbhvfkxzhfdbvzldjhfv\r\n"
      "Content-Type: application/octet-stream;\r\n"
      "        name=\"data.bin\"\r\n"
      "Content-Transfer-Encoding: base64\r\n"
      "Content-Disposition: attachment;\r\n"
      "        filename=\"data.bin\"\r\n"
      "\r\n" +
      line80.substr(0, 76) + "\r\n" + line80.substr(76) + "\r\n" +
      "--=_xcjvnxkbhvfkxzhfdbvzldjhfv--\r\n"
      ".";
  EXPECT_EQ(ComposeMailMessage(message), expected);
}

TEST_F(MailMessageTest, WithoutFilesTheTextPartIsFollowedByTheClosingBoundary) {
  TMailMessage message;
  message.body = "";
  const std::string text = ComposeMailMessage(message);
  EXPECT_TRUE(
      text.ends_with("Content-Transfer-Encoding: quoted-printable\r\n\r\n\r\n"
                     "--=_xcjvnxkbhvfkxzhfdbvzldjhfv--\r\n."))
      << text;
}

TEST_F(MailMessageTest, BodyLinesStartingWithADotAreStuffed) {
  const std::pair<std::string, std::string> cases[] = {
      {".", ".."},
      {"a\r\n.\r\nb", "a\r\n..\r\nb"},
      {"..x\n.y", "...x\r\n..y"},  // quoted-printable writes line breaks as CR LF
      {"a.b\r\n", "a.b\r\n"},
  };
  for (const auto& [body, sent] : cases) {
    TMailMessage message;
    message.body = body;
    EXPECT_NE(ComposeMailMessage(message).find("printable\r\n\r\n" + sent + "\r\n--="),
              std::string::npos)
        << sent;
  }
}

TEST_F(MailMessageTest, Base64IsBrokenIntoLinesOf76) {
  struct Case {
    std::size_t size;
    std::string tail;  // what follows the part header
  } cases[] = {
      {0, "\r\n"},
      {56, std::string(75, 'A') + "=\r\n\r\n"},
      {57, std::string(76, 'A') + "\r\n\r\n"},
      {60, std::string(76, 'A') + "\r\nAAAA\r\n"},
      {61, std::string(76, 'A') + "\r\nAAAAAA==\r\n"},
      {114, std::string(76, 'A') + "\r\n" + std::string(76, 'A') + "\r\n\r\n"},
  };
  for (const Case& c : cases) {
    const std::string part = FormatAttachmentPart("f.bin", std::string(c.size, '\0'));
    const std::string header = "filename=\"f.bin\"\r\n\r\n";
    ASSERT_NE(part.find(header), std::string::npos);
    EXPECT_EQ(part.substr(part.find(header) + header.size()), c.tail) << c.size;
  }
}

TEST_F(MailMessageTest, AttachmentNamesAndTypes) {
  const std::tuple<std::string, std::string, std::string> names[] = {
      {"/var/log/report.log", "", "report.log"},
      {"/var/log/report.log", "20250105070309", "report_20250105070309.log"},
      {"/var/log/archive.tar.gz", "20250105070309", "archive.tar_20250105070309.gz"},
      {"/var/lo.g/noext", "20250105070309", "noext_20250105070309"},
      {"plain.txt", "", "plain.txt"},
  };
  for (const auto& [file, stamp, name] : names) EXPECT_EQ(AttachmentName(file, stamp), name);

  const std::pair<std::string, std::string> types[] = {
      {"shot.png", "image/png"},
      {"SHOT.PnG", "image/png"},
      {"report.log", "application/octet-stream"},
      {"png", "application/octet-stream"},
      {"shot.png.gz", "application/octet-stream"},
  };
  for (const auto& [name, type] : types) EXPECT_EQ(AttachmentContentType(name), type) << name;

  const std::string log = WriteFile("report.log", "x");
  const std::string part = BuildAttachmentPart(log, "20250105070309");
  EXPECT_NE(part.find("Content-Type: application/octet-stream;\r\n"
                      "        name=\"report_20250105070309.log\"\r\n"),
            std::string::npos)
      << part;
  EXPECT_EQ(BuildAttachmentPart(folder_.string(), ""), "") << "a folder is no file";
}

}  // namespace
}  // namespace kestrova
