// Web delivery against real servers on 127.0.0.1: an HTTP(S) server that keeps the raw
// requests, and a pyftpdlib FTP server.
#include "excreport/delivery/web_upload.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <tuple>

#include "excreport/delivery/script_server_process.h"

namespace kestrova {
namespace {

using test::MakeTempFolder;
using test::ScriptServerProcess;
using Step = std::tuple<int, std::int64_t, std::int64_t>;

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

std::vector<std::string> ReadLines(const std::filesystem::path& path) {
  std::ifstream file(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  return lines;
}

// A request as the server kept it.
struct RawRequest {
  std::string requestLine;
  std::multimap<std::string, std::string> headers;  // names in lower case
  std::string body;

  explicit RawRequest(const std::string& raw) {
    const std::size_t end = raw.find("\r\n\r\n");
    body = raw.substr(end + 4);
    std::istringstream head(raw.substr(0, end + 2));
    std::getline(head, requestLine);
    requestLine.pop_back();
    for (std::string line; std::getline(head, line);) {
      line.pop_back();
      const std::size_t colon = line.find(':');
      std::string name = line.substr(0, colon);
      for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      headers.emplace(name, line.substr(line.find_first_not_of(' ', colon + 1)));
    }
  }
  std::string Header(const std::string& name) const {
    const auto found = headers.find(name);
    return found == headers.end() ? "(none)" : found->second;
  }
};

// The steps of an upload that sends total bytes in blocks, done counted from 0.
std::vector<Step> BlockSteps(std::int64_t total, std::int64_t bytes) {
  std::vector<Step> steps;
  for (std::int64_t done = 0; done < bytes;) {
    done = std::min(bytes, done + kUploadBlock);
    steps.emplace_back(upBlockSent, total, done);
  }
  return steps;
}

class WebUploadTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The library honours proxy settings from the environment; the tests talk to loopback only.
    for (const char* name : {"http_proxy", "https_proxy", "ftp_proxy", "all_proxy", "HTTP_PROXY",
                             "HTTPS_PROXY", "FTP_PROXY", "ALL_PROXY"}) {
      unsetenv(name);
    }
  }
  void SetUp() override {
    folder_ = MakeTempFolder("kestrova-web-");
    for (int i = 0; i < 2000; ++i) large_ += static_cast<char>(i * 31 % 256);
    small_ = std::string("PNG\0\r\n--\x89", 9);
    std::ofstream(folder_ / "report.log", std::ios::binary) << large_;
    std::ofstream(folder_ / "shot.png", std::ios::binary) << small_;
    files_.paths = {(folder_ / "report.log").string(), (folder_ / "gone.txt").string(),
                    (folder_ / "shot.png").string()};
    files_.sendNames = {"report_20240301123456.log", "gone.txt", "shot.png"};
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  // Boundary draws 0x1234, 0xABCD and 0x000A.
  static TRandomBelow Draws() {
    return [next = 0](std::int32_t) mutable {
      constexpr std::int32_t draws[] = {0x1234, 0xABCD, 0x000A};
      return draws[next++ % 3];
    };
  }
  static constexpr const char* kBoundary = "---------------------------1234ABCD000A";

  TUploadProgress Record() {
    return [this](TUploadProgressKind kind, std::int64_t total, std::int64_t done) {
      steps_.emplace_back(kind, total, done);
    };
  }

  std::filesystem::path folder_;
  std::string large_, small_;
  TUploadFiles files_;
  std::vector<Step> steps_;
};

class HttpUploadTest : public WebUploadTest {
 protected:
  void SetUp() override {
    WebUploadTest::SetUp();
    std::filesystem::create_directory(folder_ / "requests");
    server_ = std::make_unique<ScriptServerProcess>(
        "http_record_server.py", std::vector<std::string>{(folder_ / "requests").string()});
    target_.host = "127.0.0.1";
    target_.port = server_->Port();
    target_.path = "dir/upload";
  }
  void TearDown() override {
    server_.reset();
    WebUploadTest::TearDown();
  }
  std::string Request(int n) const {
    return ReadFile(folder_ / "requests" / ("request-" + std::to_string(n) + ".bin"));
  }

  std::unique_ptr<ScriptServerProcess> server_;
  TUploadTarget target_;
};

TEST_F(HttpUploadTest, PostsFieldsAndExistingFilesAsOneForm) {
  const TUploadFields fields{{"product", "version", "unpaired"}, {"Kestrova", "1.0"}};
  const TWebResult result = PostReportFiles(target_, false, fields, files_, Draws(), Record());
  EXPECT_EQ(result.code, 0) << result.errorText;
  EXPECT_EQ(result.errorText, "");

  const std::string b = kBoundary;
  const std::string expected =
      "--" + b + "\r\nContent-Disposition: form-data; name=\"product\";\r\n\r\nKestrova\r\n" +
      "--" + b + "\r\nContent-Disposition: form-data; name=\"version\";\r\n\r\n1.0\r\n" + "--" + b +
      "\r\nContent-Disposition: form-data; name=\"qm_upload_file_0\"; "
      "filename=\"report_20240301123456.log\";\r\nContent-Type: application/octet-stream\r\n\r\n" +
      large_ + "\r\n" +
      // The missing second file leaves its index out: the third file keeps index 2.
      "--" + b +
      "\r\nContent-Disposition: form-data; name=\"qm_upload_file_2\"; "
      "filename=\"shot.png\";\r\nContent-Type: application/octet-stream\r\n\r\n" +
      small_ + "\r\n" + "--" + b + "--\r\n";
  const RawRequest request(Request(1));
  EXPECT_EQ(request.requestLine, "POST /dir/upload HTTP/1.1");
  EXPECT_EQ(request.body, expected);
  EXPECT_EQ(request.Header("host"), "127.0.0.1:" + std::to_string(server_->Port()));
  EXPECT_EQ(request.Header("user-agent"), "Quillmark");
  EXPECT_EQ(request.Header("content-type"), "multipart/form-data; boundary=" + b);
  EXPECT_EQ(request.Header("content-length"), std::to_string(expected.size()));
  for (const char* absent : {"authorization", "cookie", "expect", "accept", "transfer-encoding"}) {
    EXPECT_EQ(request.headers.count(absent), 0u) << absent;
  }

  const auto total = static_cast<std::int64_t>(expected.size());
  std::vector<Step> steps = {{upStarting, total, 0}, {upConnected, total, 0}};
  for (const Step& step : BlockSteps(total, total)) steps.push_back(step);
  EXPECT_EQ(steps_, steps);
}

TEST_F(HttpUploadTest, SendsBasicAuthorisationWhenAUserOrPasswordIsSet) {
  target_.user = "report";
  target_.password = "pa:ss";
  ASSERT_EQ(PostReportFiles(target_, false, {}, {}, Draws()).code, 0);
  target_.user.clear();
  target_.password = "secret";
  ASSERT_EQ(PostReportFiles(target_, false, {}, {}, Draws()).code, 0);
  EXPECT_EQ(RawRequest(Request(1)).Header("authorization"), "Basic cmVwb3J0OnBhOnNz");
  EXPECT_EQ(RawRequest(Request(2)).Header("authorization"), "Basic OnNlY3JldA==");
  // No fields and no files: only the closing boundary.
  EXPECT_EQ(RawRequest(Request(2)).body, std::string("--") + kBoundary + "--\r\n");
}

TEST_F(HttpUploadTest, StatusOtherThan200IsTheResultWithItsText) {
  target_.path = "dir/missing";
  const TWebResult result = PostReportFiles(target_, false, {}, files_, Draws());
  EXPECT_EQ(result.code, 404);
  EXPECT_EQ(result.errorText, "Not Found");
  EXPECT_EQ(RawRequest(Request(1)).requestLine, "POST /dir/missing HTTP/1.1");
}

TEST_F(WebUploadTest, RefusedConnectionGivesTheConnectErrorAndItsText) {
  const TUploadTarget target{"127.0.0.1", "upload", "", "", test::UnusedLoopbackPort(), ""};
  const TWebResult result = PostReportFiles(target, false, {}, files_, Draws(), Record());
  EXPECT_EQ(result.code, 12029);
  EXPECT_NE(result.errorText, "");
  ASSERT_FALSE(steps_.empty());
  EXPECT_EQ(std::get<0>(steps_.front()), upStarting);
  for (const Step& step : steps_) EXPECT_EQ(std::get<0>(step), upStarting);
}

class HttpsUploadTest : public WebUploadTest {
 protected:
  void SetUp() override {
    WebUploadTest::SetUp();
    const std::filesystem::path key = folder_ / "key.pem";
    certificate_ = (folder_ / "cert.pem").string();
    const std::string command =
        "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1 "
        "-subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout '" +
        key.string() + "' -out '" + certificate_ + "' 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::filesystem::create_directory(folder_ / "requests");
    server_ = std::make_unique<ScriptServerProcess>(
        "http_record_server.py",
        std::vector<std::string>{(folder_ / "requests").string(), certificate_, key.string()});
    target_.host = "127.0.0.1";
    target_.port = server_->Port();
    target_.path = "secure/upload";
  }
  void TearDown() override {
    server_.reset();
    WebUploadTest::TearDown();
  }

  std::string certificate_;
  std::unique_ptr<ScriptServerProcess> server_;
  TUploadTarget target_;
};

TEST_F(HttpsUploadTest, PostsOverTlsWhenTheCertificateIsTrusted) {
  target_.trustedCaFile = certificate_;
  const TWebResult result = PostReportFiles(target_, true, {}, files_, Draws(), Record());
  ASSERT_EQ(result.code, 0) << result.errorText;
  const RawRequest request(ReadFile(folder_ / "requests" / "request-1.bin"));
  EXPECT_EQ(request.requestLine, "POST /secure/upload HTTP/1.1");
  EXPECT_NE(request.body.find(large_), std::string::npos);
  EXPECT_EQ(steps_.back(), Step(upBlockSent, std::get<1>(steps_.back()),
                                static_cast<std::int64_t>(request.body.size())));
}

TEST_F(HttpsUploadTest, UntrustedCertificateFailsBeforeAnythingIsSent) {
  const TWebResult result = PostReportFiles(target_, true, {}, files_, Draws(), Record());
  EXPECT_EQ(result.code, 12045);
  EXPECT_NE(result.errorText.find("certificate"), std::string::npos) << result.errorText;
  EXPECT_FALSE(std::filesystem::exists(folder_ / "requests" / "request-1.bin"));
  for (const Step& step : steps_) EXPECT_NE(std::get<0>(step), upBlockSent);
}

class FtpUploadTest : public WebUploadTest {
 protected:
  void SetUp() override {
    WebUploadTest::SetUp();
    home_ = folder_ / "home";
    std::filesystem::create_directories(home_ / "in" / "reports");
    server_ = std::make_unique<ScriptServerProcess>(
        "ftp_server.py", std::vector<std::string>{home_.string(), "tester", "s3cret",
                                                  (folder_ / "events").string()});
    target_ = {"127.0.0.1", "in/reports", "tester", "s3cret", server_->Port(), ""};
  }
  void TearDown() override {
    server_.reset();
    WebUploadTest::TearDown();
  }
  std::vector<std::string> Events() const { return ReadLines(folder_ / "events"); }

  std::filesystem::path home_;
  std::unique_ptr<ScriptServerProcess> server_;
  TUploadTarget target_;
};

TEST_F(FtpUploadTest, StoresEachExistingFileUnderItsRemoteNameInOneSession) {
  const TWebResult result = FtpReportFiles(target_, files_, Record());
  ASSERT_EQ(result.code, 0) << result.errorText;
  EXPECT_EQ(ReadFile(home_ / "in" / "reports" / "report_20240301123456.log"), large_);
  EXPECT_EQ(ReadFile(home_ / "in" / "reports" / "shot.png"), small_);
  EXPECT_EQ(Events(),
            (std::vector<std::string>{"LOGIN tester", "STORED in/reports/report_20240301123456.log",
                                      "STORED in/reports/shot.png"}));

  const auto total = static_cast<std::int64_t>(large_.size() + small_.size());
  std::vector<Step> steps = {{upStarting, total, 0}, {upConnected, total, 0}};
  for (const std::string* file : {&large_, &small_}) {
    for (const Step& step : BlockSteps(total, static_cast<std::int64_t>(file->size()))) {
      steps.push_back(step);
    }
  }
  EXPECT_EQ(steps_, steps);
}

TEST_F(FtpUploadTest, AnEmptyPathStoresAtTheServersRoot) {
  target_.path = "";
  files_.sendNames[2] = "screen shot.png";
  ASSERT_EQ(FtpReportFiles(target_, files_).code, 0);
  EXPECT_EQ(ReadFile(home_ / "report_20240301123456.log"), large_);
  EXPECT_EQ(ReadFile(home_ / "screen shot.png"), small_);
}

TEST_F(FtpUploadTest, RefusedLoginAndEmptyListSendNothing) {
  EXPECT_EQ(FtpReportFiles(target_, {}, Record()).code, 0);
  EXPECT_TRUE(steps_.empty());
  EXPECT_TRUE(Events().empty());

  target_.password = "wrong";
  const TWebResult result = FtpReportFiles(target_, files_, Record());
  EXPECT_EQ(result.code, 12015);
  EXPECT_NE(result.errorText, "");
  EXPECT_EQ(steps_.size(), 1u);
  EXPECT_TRUE(Events().empty());
  EXPECT_FALSE(std::filesystem::exists(home_ / "in" / "reports" / "shot.png"));
}

}  // namespace
}  // namespace kestrova
