// The headless loop in a real Qt event loop, with ticks of the test's own.
#include "app/headless_loop.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QTimer>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "app/command_line.h"
#include "app/convert_error.h"

namespace kestrova {
namespace {

// A console application object for the whole executable, as the headless run has.
class CoreApplicationEnvironment final : public ::testing::Environment {
 public:
  void SetUp() override { application_ = std::make_unique<QCoreApplication>(argc_, argv_); }
  void TearDown() override { application_.reset(); }

 private:
  int argc_ = 1;
  char name_[16] = "kestrova-test";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QCoreApplication> application_;
};

::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new CoreApplicationEnvironment);

class HeadlessLoopTest : public ::testing::Test {
 protected:
  int Run(HeadlessLoop::Tick tick, std::optional<long long> count) {
    HeadlessLoop loop(std::move(tick), 5, count, frames_, messages_,
                      [this](const std::exception_ptr&) { ++reported_; });
    return loop.Exec();
  }

  std::ostringstream frames_;
  std::ostringstream messages_;
  int reported_ = 0;
};

TEST_F(HeadlessLoopTest, CountEndsWithEveryFrameOnALine) {
  int ticks = 0;
  EXPECT_EQ(Run([&] { return "_04000" + std::to_string(ticks++) + "_"; }, 3), kExitDone);
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(frames_.str(), "_040000_\n_040001_\n_040002_\n");
  EXPECT_EQ(messages_.str(), "");
}

TEST_F(HeadlessLoopTest, ConvertErrorEndsWithItsTextAndOtherFailuresAreReported) {
  int ticks = 0;
  EXPECT_EQ(Run(
                [&]() -> std::string {
                  if (++ticks == 2) throw EConvertError("'4x0000' is not a valid floating point value");
                  return "_040000_";
                },
                std::nullopt),
            kExitFailure);
  EXPECT_EQ(ticks, 2);
  EXPECT_EQ(frames_.str(), "_040000_\n");
  EXPECT_EQ(messages_.str(), "kestrova: '4x0000' is not a valid floating point value\n");
  EXPECT_EQ(reported_, 0);

  EXPECT_EQ(Run([]() -> std::string { throw std::logic_error("broken"); }, std::nullopt), kExitFailure);
  EXPECT_EQ(reported_, 1);
}

TEST_F(HeadlessLoopTest, SigtermAndSigintEndCleanly) {
  for (int signal : {SIGTERM, SIGINT}) {
    int ticks = 0;
    EXPECT_EQ(Run(
                  [&] {
                    if (++ticks == 3) ::raise(signal);
                    return std::string("x");
                  },
                  std::nullopt),
              kExitDone);
    EXPECT_GE(ticks, 3);
  }
}

}  // namespace
}  // namespace kestrova
