// The desktop mail client hand-over: the "mailto:" encoding, the xdg-email command and the
// fallback to xdg-open, with the launcher recording the commands.
#include "excreport/delivery/mail_client.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "excreport/delivery/mailto_address.h"
#include "excreport/delivery/recording_launcher.h"
#include "excreport/delivery/script_server_process.h"

namespace kestrova {
namespace {

TEST(MailtoAddressTest, KeepsLettersDigitsHyphenAndHighBytesEncodesTheRest) {
  const struct {
    std::string text, encoded;
  } cases[] = {
      {"Crash report.", "Crash%20report%2E"},
      {"a-Z_0~9", "a-Z%5F0%7E9"},
      {"\r\n&?=%", "%0D%0A%26%3F%3D%25"},
      {"\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},
      {std::string("\0\x7F", 2), "%00%7F"},
  };
  for (const auto& c : cases) EXPECT_EQ(MailtoEncode(c.text), c.encoded) << c.text;
  EXPECT_EQ(MailtoAddress("a@x.test; b@y.test", "Hi there", "Line 1\r\nLine 2"),
            "mailto:a@x.test; b@y.test?Subject=Hi%20there&Body=Line%201%0D%0ALine%202");
}

class MailClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = test::MakeTempFolder("kestrova-mailclient-");
    std::ofstream(folder_ / "report.log") << "the log";
    message_ = {" a@x.test ;b@y.test,", "Crash\r\nreport", "Body text",
                {(folder_ / "report.log").string(), (folder_ / "gone.png").string()}};
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::filesystem::path folder_;
  MailClientMessage message_;
  test::RecordingLauncher launcher_;
};

TEST_F(MailClientTest, MailClientGetsSubjectBodyExistingAttachmentsAndEachRecipient) {
  const MailClientResult result = SendByMapi(launcher_, message_);
  EXPECT_TRUE(result.sent);
  EXPECT_FALSE(result.warning);
  ASSERT_EQ(launcher_.commands.size(), 1u);
  const std::vector<std::string> expected = {"xdg-email", "--utf8",    "--subject",
                                             "Crash report", "--body", "Body text",
                                             "--attach", (folder_ / "report.log").string(),
                                             "a@x.test", "b@y.test"};
  EXPECT_EQ(launcher_.commands[0], expected);
}

TEST_F(MailClientTest, FailuresBecomeWarningsOfTheirKind) {
  launcher_.answers["xdg-email"] = {true, 3, {}};
  launcher_.answers["xdg-open"] = {false, -1, "No such file or directory"};
  const MailClientResult client = SendByMapi(launcher_, message_);
  EXPECT_FALSE(client.sent);
  ASSERT_TRUE(client.warning);
  EXPECT_EQ(client.warning->code, TQuillmarkErrorCode::eeEmailMAPIError);
  EXPECT_EQ(client.warning->message, "\"xdg-email\" failed with exit code 3.");

  const MailClientResult shell = SendByMailto(launcher_, "a@x.test", "S", "B", "R");
  EXPECT_FALSE(shell.sent);
  ASSERT_TRUE(shell.warning);
  EXPECT_EQ(shell.warning->code, TQuillmarkErrorCode::eeEmailShellError);
  EXPECT_EQ(shell.warning->message, "Cannot start \"xdg-open\": No such file or directory.");
  ASSERT_EQ(launcher_.commands.size(), 2u);
  EXPECT_EQ(launcher_.commands[1],
            (std::vector<std::string>{"xdg-open", "mailto:a@x.test?Subject=S&Body=B%0D%0A%0D%0A%0D%0AR"}));
}

TEST(ProgramLauncherPosixTest, ReportsExitCodeAndAProgramThatCannotStart) {
  ProgramLauncherPosix launcher;
  const LaunchResult ran = launcher.Run({"sh", "-c", "exit 7"});
  EXPECT_TRUE(ran.started);
  EXPECT_EQ(ran.exitCode, 7);
  const LaunchResult missing = launcher.Run({"kestrova-no-such-program"});
  EXPECT_FALSE(missing.started);
  EXPECT_EQ(missing.error, "No such file or directory");
}

}  // namespace
}  // namespace kestrova
