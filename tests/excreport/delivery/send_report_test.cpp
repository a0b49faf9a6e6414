// The send step end to end: the files gathered and packed, e-mail to an aiosmtpd server on
// 127.0.0.1, web upload to a loopback port nobody listens on, the result box, the kept archive
// beside the log and the temporary files.
#include "excreport/delivery/send_report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "excreport/delivery/archive_reader.h"
#include "common/file_error.h"
#include "excreport/delivery/recording_launcher.h"
#include "excreport/delivery/script_server_process.h"
#include "excreport/delivery/smtp_sink_process.h"

namespace kestrova {
namespace {

namespace fs = std::filesystem;

constexpr char kStamp[] = "20240301133456";  // the report time below, one hour east of UTC

struct Box {
  std::string caption, text;
  MessageKind kind;
};

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

std::vector<std::string> EntryNames(const test::ReadArchive& archive) {
  std::vector<std::string> names;
  for (const test::ReadEntry& entry : archive.entries) names.push_back(entry.name);
  return names;
}

class SendReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    temp_ = test::MakeTempFolder("kestrova-sendtemp-");
    logFolder_ = test::MakeTempFolder("kestrova-sendlog-");
    std::ofstream(logFolder_ / "notes.txt") << "notes";
    std::ofstream(temp_ / "Screenshot.png") << "picture";  // saved there by the handling flow

    auto options = std::make_shared<TQuillModuleOptions>("kestrova", false);
    options->SetMailMode(2);
    options->SetMailServer("127.0.0.1");
    options->SetMailServerPort(sink_.Port());
    options->SetMailRecipients("support@kestrova.test");
    options->SetMailSubjectText("Crash");
    options->SetMailBody("Body");
    options->SetUploadMode(1);
    options->SetUploadTarget("http://127.0.0.1/upload/");
    options->SetUploadPort(test::UnusedLoopbackPort());
    options->SetExtraFiles((logFolder_ / "notes.txt").string() + " ; ;" + (logFolder_ / "missing.txt").string());
    // Result box, XML copy, time-stamped names, packing; clipboard and kept copy on failure.
    options->SetSendFlags(0x0002 | 0x0008 | 0x0100 | 0x0200);
    options->SetHandlingFlags(0x20 | 0x40);
    options_ = options;

    request_.Options = options;
    request_.Record.Address = 0x401A2C;
    request_.ReportText = "the full report";
    request_.TextToSend = "the text to send";
    request_.LogFileName = (logFolder_ / "Kestrova.log").string();
    request_.ScreenshotFile = (temp_ / "Screenshot.png").string();
    request_.Time = {1709296496, 3600};

    services_.ShowMessage = [this](const std::string& caption, const std::string& text, MessageKind kind) {
      boxes_.push_back({caption, text, kind});
    };
    services_.CopyToClipboard = [this](const std::string& text) { clipboard_.push_back(text); };
    services_.Launcher = launcher_;
    services_.TempFolder = temp_;
    services_.MailOutbox = temp_ / "outbox";
    services_.RunEvent = [](const std::function<void()>& call) { call(); };

    events_.OnAttachedFilesRequest = [this](const TQuillExceptionRecord&, std::vector<std::string>& files) {
      attached_ = files;
      files.push_back((logFolder_ / "added-but-missing.txt").string());
      if (!attachFolder_.empty()) files.push_back(attachFolder_.string());
    };
    events_.OnActionNotify = [this](const TQuillExceptionRecord&, int action, bool& flag) {
      actions_.emplace_back(action, flag);
      if (action == kActionBeforeEmail && refuseEmail_) flag = false;
    };
    RegisterEventHandlers(&events_);
  }

  void TearDown() override {
    UnregisterEventHandlers(&events_);
    fs::remove_all(temp_);
    fs::remove_all(logFolder_);
  }

  std::vector<std::string> Tgz() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(logFolder_)) {
      if (entry.path().extension() == ".tgz") names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  test::SmtpSinkProcess sink_;
  fs::path temp_, logFolder_, attachFolder_;
  std::shared_ptr<TQuillModuleOptions> options_;
  SendRequest request_;
  SendServices services_;
  std::shared_ptr<test::RecordingLauncher> launcher_ = std::make_shared<test::RecordingLauncher>();
  TQuillmarkEvents events_;
  bool refuseEmail_ = false;
  std::vector<std::string> attached_;
  std::vector<std::pair<int, bool>> actions_;
  std::vector<Box> boxes_;
  std::vector<std::string> clipboard_;
};

TEST_F(SendReportTest, MailSentUploadRefusedGivesFailureBoxKeptArchiveAndNoTemporaryFiles) {
  // Eleven older kept copies: with the new one the oldest two go.
  for (int i = 10; i < 21; ++i) std::ofstream(logFolder_ / ("CompressFiles_202301010000" + std::to_string(i) + ".tgz"));

  SendReport(request_, services_);

  // The event saw the extra files, then the log copy, the screenshot and the XML copy; the
  // missing ones are dropped after it.
  ASSERT_EQ(attached_.size(), 5u);
  EXPECT_EQ(attached_[0], (logFolder_ / "notes.txt").string());
  EXPECT_EQ(attached_[1], (logFolder_ / "missing.txt").string());
  EXPECT_EQ(fs::path(attached_[2]).filename(), "Kestrova.log");
  EXPECT_EQ(attached_[3], request_.ScreenshotFile);
  EXPECT_EQ(fs::path(attached_[4]).filename(), "Kestrova.xml");
  EXPECT_EQ(fs::path(attached_[2]).parent_path().parent_path(), temp_);

  // The mail carried the one archive; the same bytes were kept beside the log.
  const fs::path kept = logFolder_ / (std::string("CompressFiles_") + kStamp + ".tgz");
  ASSERT_TRUE(fs::exists(kept));
  std::string part;
  for (const std::string& event : sink_.Events()) {
    if (event.starts_with("PART application/")) part = event;
  }
  const std::string prefix = std::string("PART application/octet-stream CompressFiles_") + kStamp + ".tgz ";
  ASSERT_TRUE(part.starts_with(prefix)) << part;
  EXPECT_EQ(FromHex(part.substr(prefix.size())), ReadFile(kept));
  const test::ReadArchive archive = test::ReadWithPython(kept);
  const std::string stamp = kStamp;
  EXPECT_EQ(EntryNames(archive), (std::vector<std::string>{"notes_" + stamp + ".txt", "Kestrova_" + stamp + ".log",
                                                           "Screenshot_" + stamp + ".png",
                                                           "Kestrova_" + stamp + ".xml"}));
  ASSERT_EQ(archive.entries.size(), 4u);
  EXPECT_EQ(archive.entries[1].data, "the text to send\r\n\r\n\r\n");
  EXPECT_TRUE(archive.entries[3].data.starts_with("<Doc>")) << archive.entries[3].data;

  // Pruned to ten, the newest kept.
  const std::vector<std::string> tgz = Tgz();
  ASSERT_EQ(tgz.size(), 10u);
  EXPECT_EQ(tgz.front(), "CompressFiles_20230101000012.tgz");
  EXPECT_EQ(tgz.back(), kept.filename().string());

  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].caption, options_->Text(0));
  EXPECT_EQ(boxes_[0].text, "Sorry, sending the message didn't work.");
  EXPECT_EQ(boxes_[0].kind, MessageKind::Error);
  EXPECT_EQ(clipboard_, std::vector<std::string>{"the full report"});
  EXPECT_EQ(LastWarning().Code, TQuillmarkErrorCode::eeWebHTTPError);
  EXPECT_TRUE(LastWarning().Text.starts_with("[HTTP] HTTP error code: 12029 (")) << LastWarning().Text;
  const std::vector<std::pair<int, bool>> actions = {{4, true}, {5, true}, {6, true}, {7, false}, {7, false}};
  EXPECT_EQ(actions_, actions);

  // The copies, the archive, the screenshot and the send's own folder are gone.
  EXPECT_TRUE(fs::is_empty(temp_));
}

TEST_F(SendReportTest, OutcomeDecidesBoxAndKeptCopy) {
  options_->SetUploadMode(0);
  options_->SetSendFlags(0x0002);  // unpacked, names without time stamp
  struct Case {
    bool refuseEmail;
    const char* text;
    std::vector<std::string> kept;
  };
  const Case cases[] = {
      {false, "The message was sent successfully.", {}},
      {true, "Sorry, sending the message didn't work.", {"CompressFiles.tgz"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    refuseEmail_ = c.refuseEmail;
    boxes_.clear();
    std::ofstream(request_.ScreenshotFile) << "picture";  // each send removes it
    SendReport(request_, services_);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, c.text);
    EXPECT_EQ(Tgz(), c.kept);
    EXPECT_TRUE(fs::is_empty(temp_));
  }
  // Only the first send reached the server, with the files unpacked.
  int messages = 0;
  std::vector<std::string> attachments;
  for (const std::string& event : sink_.Events()) {
    messages += event.starts_with("DATA ");
    std::istringstream words(event);
    std::string kind, type, name;
    words >> kind >> type >> name;
    if (kind == "PART" && name != "-") attachments.push_back(type + " " + name);
  }
  EXPECT_EQ(messages, 1);
  EXPECT_EQ(attachments, (std::vector<std::string>{"application/octet-stream notes.txt",
                                                   "application/octet-stream Kestrova.log", "image/png Screenshot.png"}));
  EXPECT_EQ(EntryNames(test::ReadWithPython(logFolder_ / "CompressFiles.tgz")),
            (std::vector<std::string>{"notes.txt", "Kestrova.log", "Screenshot.png"}));
}

TEST_F(SendReportTest, MailClientFallsBackToMailtoWithTheReportInTheBody) {
  options_->SetMailMode(1);
  options_->SetUploadMode(0);
  options_->SetSendFlags(0x0002);
  options_->SetMailSubjectText("Crash report.");
  launcher_->answers["xdg-email"] = {true, 3, {}};
  SendReport(request_, services_);
  ASSERT_EQ(launcher_->commands.size(), 2u);
  EXPECT_EQ(launcher_->commands[0][0], "xdg-email");
  EXPECT_EQ(launcher_->commands[0][5], "Body");
  EXPECT_EQ(launcher_->commands[1],
            (std::vector<std::string>{"xdg-open", "mailto:support@kestrova.test?Subject=Crash%20report%2E&Body="
                                                  "Body%0D%0A%0D%0A%0D%0Athe%20full%20report"}));
  // Handed over is not sent: the client shows the message, so no box claims it was sent.
  EXPECT_TRUE(boxes_.empty());
  // A hand-over that fails both ways is still reported.
  launcher_->answers["xdg-open"] = {true, 4, {}};
  SendReport(request_, services_);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text, "Sorry, sending the message didn't work.");
}

TEST_F(SendReportTest, MailClientGetsCopiesThatOutliveTheSend) {
  options_->SetMailMode(1);
  options_->SetUploadMode(0);
  options_->SetSendFlags(0x0100);  // time-stamped names
  // An entry of an earlier send, a week and a day old, goes; a recent one stays.
  const fs::path old = services_.MailOutbox / "mail-old",
                 recent = services_.MailOutbox / "mail-recent";
  fs::create_directories(old);
  fs::create_directories(recent);
  fs::last_write_time(old, fs::file_time_type::clock::now() - std::chrono::hours(24 * 8));
  SendReport(request_, services_);
  ASSERT_EQ(launcher_->commands.size(), 1u);
  const std::vector<std::string>& command = launcher_->commands[0];
  std::vector<std::pair<std::string, std::string>> attached;
  for (std::size_t i = 0; i + 1 < command.size(); ++i) {
    if (command[i] != "--attach") continue;
    const fs::path file = command[i + 1];
    EXPECT_EQ(file.parent_path().parent_path(), services_.MailOutbox) << file;
    attached.emplace_back(file.filename().string(), ReadFile(file));
  }
  EXPECT_EQ(attached, (std::vector<std::pair<std::string, std::string>>{
                          {"notes_20240301133456.txt", "notes"},
                          {"Kestrova_20240301133456.log", "the text to send\r\n\r\n\r\n"},
                          {"Screenshot_20240301133456.png", "picture"}}));
  EXPECT_FALSE(fs::exists(old));
  EXPECT_TRUE(fs::exists(recent));
}

TEST_F(SendReportTest, RetriedUploadAsksForTheFormFieldsAfresh) {
  const fs::path requests = logFolder_ / "requests";
  fs::create_directory(requests);
  const test::ScriptServerProcess server("http_record_server.py", {requests.string()});
  options_->SetMailMode(0);
  options_->SetSendFlags(0x0002);
  options_->SetUploadTarget("http://127.0.0.1/upload/missing");  // answered 404
  options_->SetUploadPort(server.Port());
  int fieldRequests = 0;
  events_.OnCustomWebFieldsRequest = [&](const TQuillExceptionRecord&, std::vector<std::string>& names,
                                         std::vector<std::string>& values) {
    ++fieldRequests;
    names.push_back("build");
    values.push_back("42");
  };
  int afterWeb = 0;
  events_.OnActionNotify = [&](const TQuillExceptionRecord&, int action, bool& flag) {
    actions_.emplace_back(action, flag);
    if (action == kActionAfterWeb && ++afterWeb == 1) flag = true;  // retry once
  };
  SendReport(request_, services_);

  const std::vector<std::pair<int, bool>> actions = {{6, true}, {7, false}, {7, false}, {7, false}};
  EXPECT_EQ(actions_, actions);
  EXPECT_EQ(fieldRequests, 2);
  ASSERT_TRUE(fs::exists(requests / "request-2.bin"));
  EXPECT_FALSE(fs::exists(requests / "request-3.bin"));
  const std::string second = ReadFile(requests / "request-2.bin");
  const std::string field = "name=\"build\";\r\n\r\n42\r\n";
  const std::size_t first = second.find(field);
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(second.find(field, first + 1), std::string::npos);
  EXPECT_EQ(LastWarning().Text, "[HTTP] HTTP error code: 404 (Not Found)");
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text, "Sorry, sending the message didn't work.");
}

TEST_F(SendReportTest, TemporaryFilesGoAlsoWhenPackingRaises) {
  attachFolder_ = logFolder_;  // exists, but cannot be packed as a file
  EXPECT_THROW(SendReport(request_, services_), EFileError);
  EXPECT_TRUE(fs::is_empty(temp_));
}

}  // namespace
}  // namespace kestrova
