// The handling flow inside a GUI program: a QApplication whose central handler hands
// exceptions to the subsystem, the subsystem started from the test program's own data block,
// a presenter that records instead of showing, and a log in a folder of the test's own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <thread>

#include "excreport/capture/process_threads.h"
#include "excreport/flow/capture_paths.h"
#include "excreport/flow/crash_helper_entry.h"
#include "excreport/flow/exception_manager.h"
#include "excreport/flow/exception_reporting.h"
#include "excreport/flow/handler_state.h"
#include "excreport/flow/handling_fixture.h"
#include "excreport/flow/quill_events.h"
#include "excreport/flow/quill_exceptions.h"
#include "excreport/flow/report_sender.h"
#include "excreport/log/log_file.h"
#include "excreport/log/log_file_path.h"
#include "excreport/report/system_facts.h"

namespace kestrova::testing {

class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

constexpr int kThrowLine = __LINE__ + 2;
__attribute__((noinline)) void ThrowConversionError(const std::string& text) {
  throw EConvertError("'" + text + "' is not a valid integer value");
}

__attribute__((noinline)) void BlockGuiThread(std::chrono::milliseconds time) {
  std::this_thread::sleep_for(time);
  asm volatile("");
}

__attribute__((noinline)) void WaitInGuardedThread(const std::atomic<bool>& release) {
  while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  asm volatile("");
}

__attribute__((noinline)) void WaitInPlainThread(const std::atomic<bool>& release) {
  while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  asm volatile("");
}

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// The program's central handler: what leaves an event handler goes to the subsystem.
class FlowApplication final : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (...) {
      if (!ReportApplicationException(std::current_exception())) ++declined;
      return false;
    }
  }
  int declined = 0;
};

std::shared_ptr<RecordingPresenter> presenter;
std::unique_ptr<TQuillModuleOptions> pristineOptions;

class FlowEnvironment final : public ::testing::Environment {
 public:
  void SetUp() override {
    StartExceptionReporting();
    app_ = std::make_unique<FlowApplication>(argc_, argv_);
    AttachExceptionReporting(*app_);
    presenter = std::make_shared<RecordingPresenter>();
    SetReportPresenter(presenter);
    pristineOptions = std::make_unique<TQuillModuleOptions>("", false);
    pristineOptions->Assign(&CurrentModuleOptions());
  }
  void TearDown() override {
    StopExceptionReporting();
    SetReportPresenter(nullptr);
    app_.reset();
  }

 private:
  int argc_ = 1;
  char name_[5] = "flow";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<FlowApplication> app_;
};

::testing::Environment* const flowEnvironment = ::testing::AddGlobalTestEnvironment(new FlowEnvironment);

FlowApplication& App() { return *static_cast<FlowApplication*>(QCoreApplication::instance()); }

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 10s) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    std::this_thread::sleep_for(2ms);
  }
  return true;
}

// What the central handler does with an exception raised by `raise`, called on the GUI thread.
bool RaiseThroughApplication(const std::function<void()>& raise) {
  try {
    raise();
  } catch (...) {
    return ReportApplicationException(std::current_exception());
  }
  return false;
}

class HandlingFlow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(TheHandlerState(), nullptr) << "the test program carries no valid data block";
    presenter->Clear();
    folder_ = fs::path(KESTROVA_BINARY_DIR) / ("handling-flow-" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    Options().Assign(pristineOptions.get());
    Options().SetLogFolder(folder_.string());
  }
  void TearDown() override {
    SetReportSender(nullptr);
    Options().Assign(pristineOptions.get());
    fs::remove_all(folder_);
  }

  static TQuillModuleOptionsEx& Options() { return CurrentModuleOptions(); }
  std::string LogPath() const { return LogFilePath(CurrentModuleOptions(), ComputerName()); }
  int LoggedReports() const { return fs::exists(LogPath()) ? TLogFile(LogPath(), true).ReportCount() : 0; }

  fs::path folder_;
};

TEST_F(HandlingFlow, ExceptionInASlotIsReportedOnceFromItsThrowSiteAndLogged) {
  QTimer::singleShot(0, [] { ThrowConversionError("abc"); });
  ASSERT_TRUE(PumpUntil([] { return presenter->ReportCount() == 1; }));
  PumpUntil([] { return false; }, 200ms);
  ASSERT_EQ(presenter->ReportCount(), 1u);
  EXPECT_EQ(App().declined, 0);
  EXPECT_EQ(presenter->messages[0], "'abc' is not a valid integer value.");

  const std::vector<std::string> row = FirstExceptionThreadRow(presenter->reports[0]);
  ASSERT_GE(row.size(), 6u) << presenter->reports[0];
  EXPECT_EQ(row[2], "handling_flow_test");
  EXPECT_EQ(row[4], "ThrowConversionError");
  EXPECT_TRUE(row[5].starts_with(std::to_string(kThrowLine))) << row[5];

  TLogFile log(LogPath(), true);
  ASSERT_EQ(log.ReportCount(), 1);
  EXPECT_EQ(log.ItemValue("2.4", 0), "EConvertError");
  EXPECT_EQ(log.ItemValue("2.5", 0), "'abc' is not a valid integer value.");
}

TEST_F(HandlingFlow, ReportDialogIsTheDefaultPresenter) {
  SetReportPresenter(nullptr);
  Options().SetDialogCloseSecs(1);  // the dialog closes by itself, as by OK
  QTimer::singleShot(0, [] { ThrowConversionError("dialog"); });
  const bool logged = PumpUntil([this] { return LoggedReports() == 1; });
  SetReportPresenter(presenter);
  ASSERT_TRUE(logged);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_EQ(App().declined, 0);
}

TEST_F(HandlingFlow, ExceptionEscapingAWorkerThreadIsReportedOnThatThread) {
  std::atomic<pid_t> eventThread{0};
  std::atomic<std::uint32_t> recordThread{0};
  TQuillmarkEvents events;
  events.OnExceptionNotify = [&](const TQuillExceptionRecord& record, bool&) {
    eventThread = CurrentThreadId();
    recordThread = record.ThreadId;
  };
  RegisterEventHandlers(&events);
  std::atomic<pid_t> worker{0};
  std::atomic<bool> done{false};
  std::thread thread([&] {
    worker = CurrentThreadId();
    RunReportedThreadBody([] { ThrowConversionError("worker"); });
    done = true;
  });
  const bool ended = PumpUntil([&] { return done.load(); });
  thread.join();
  UnregisterEventHandlers(&events);
  ASSERT_TRUE(ended);
  ASSERT_EQ(presenter->ReportCount(), 1u);
  EXPECT_EQ(eventThread.load(), worker.load());
  EXPECT_EQ(recordThread.load(), static_cast<std::uint32_t>(worker.load()));
  EXPECT_NE(presenter->reports[0].find("|Exception Thread: ID=" + std::to_string(worker.load()) + ";"), std::string::npos);
  EXPECT_EQ(FirstExceptionThreadRow(presenter->reports[0]).at(4), "ThrowConversionError");
}

TEST_F(HandlingFlow, FiltersShowTheirMessageOrNothingInsteadOfAReport) {
  struct Case {
    const char* filterClass;
    const char* filterMessage;
    bool box;
    bool report;
  };
  const Case cases[] = {
      {"EConvertError", "Please enter a number.", true, false},
      {"EConvertError", "", false, false},
      {"exception", "Any standard exception.", true, false},  // an ancestor, any letter case
      {"ERangeError", "Not this one.", false, true},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(std::string(test.filterClass) + " / " + test.filterMessage);
    presenter->Clear();
    fs::remove(LogPath());
    Options().FilterClasses().Assign({test.filterClass});
    Options().FilterMessages().Assign({test.filterMessage});
    EXPECT_TRUE(RaiseThroughApplication([] { ThrowConversionError("x"); }));
    EXPECT_EQ(presenter->boxes.size(), test.box ? 1u : 0u);
    if (test.box) {
      EXPECT_EQ(presenter->boxes[0], test.filterMessage);
    }
    EXPECT_EQ(presenter->ReportCount(), test.report ? 1u : 0u);
    EXPECT_EQ(LoggedReports(), test.report ? 1 : 0);
  }
}

TEST_F(HandlingFlow, SilentAbortIsNeverReportedAndPassedBackAsNotTaken) {
  const std::exception_ptr abort = std::make_exception_ptr(EAbort());
  EXPECT_TRUE(ExceptionManager(&abort, 0, 1, 0));
  EXPECT_FALSE(RaiseThroughApplication([] { throw EAbort(); }));
  EXPECT_EQ(presenter->ReportCount(), 0u);
  EXPECT_TRUE(presenter->boxes.empty());
  EXPECT_EQ(LoggedReports(), 0);
}

TEST_F(HandlingFlow, ExceptionRaisedWhileTheReportIsShownOnTheSameThreadIsSwallowed) {
  bool nestedTaken = false;
  presenter->onShow = [&](const ReportView&) {
    nestedTaken = RaiseThroughApplication([] { ThrowConversionError("nested"); });
    return ReportChoice{};
  };
  EXPECT_TRUE(RaiseThroughApplication([] { ThrowConversionError("first"); }));
  EXPECT_TRUE(nestedTaken);
  ASSERT_EQ(presenter->ReportCount(), 1u);
  EXPECT_EQ(presenter->messages[0], "'first' is not a valid integer value.");
  EXPECT_EQ(LoggedReports(), 1);
}

TEST_F(HandlingFlow, DuplicateIsShownButNotLoggedTwice) {
  Options().SetLogFlags(Options().LogFlags() | 0x01);
  for (int i = 0; i < 2; ++i) RaiseThroughApplication([] { ThrowConversionError("same"); });
  RaiseThroughApplication([] { ThrowConversionError("other"); });
  EXPECT_EQ(presenter->ReportCount(), 3u);
  TLogFile log(LogPath(), true);
  ASSERT_EQ(log.ReportCount(), 2);
  EXPECT_EQ(log.ItemValue("2.5", 0), "'same' is not a valid integer value.");
  EXPECT_EQ(log.ItemValue("2.5", 1), "'other' is not a valid integer value.");
}

TEST_F(HandlingFlow, OtherThreadsStacksFollowStackFlags) {
  std::atomic<bool> release{false};
  std::thread guarded([&] { RunReportedThreadBody([&] { WaitInGuardedThread(release); }); });
  std::thread plain([&] { WaitInPlainThread(release); });
  std::this_thread::sleep_for(50ms);
  struct Case {
    std::uint8_t stackFlags;
    bool guardedShown;
    bool plainShown;
  };
  for (const Case test : {Case{0x03, false, false}, Case{0x07, true, false}, Case{0x0B, false, true},
                          Case{0x0F, true, true}}) {
    SCOPED_TRACE(int(test.stackFlags));
    presenter->Clear();
    Options().SetStackFlags(test.stackFlags);
    RaiseThroughApplication([] { ThrowConversionError("stacks"); });
    ASSERT_EQ(presenter->ReportCount(), 1u);
    const std::string& report = presenter->reports[0];
    EXPECT_EQ(report.find("WaitInGuardedThread") != std::string::npos, test.guardedShown) << report;
    EXPECT_EQ(report.find("WaitInPlainThread") != std::string::npos, test.plainShown);
  }
  release = true;
  guarded.join();
  plain.join();
}

TEST_F(HandlingFlow, PausedThreadsRunAgainAfterTheReportAlsoWhenItFails) {
  Options().SetHandlingFlags(0x30 | 0x08 | 0x02);  // pause every other thread
  Options().SetMailMode(1);                         // sending is configured; the sender fails
  SetReportSender([](const SendRequest&) { throw std::runtime_error("delivery failed"); });
  std::atomic<bool> stop{false};
  std::atomic<long> counter{0};
  std::thread busy([&] {
    while (!stop) {
      ++counter;
      std::this_thread::sleep_for(1ms);
    }
  });
  std::this_thread::sleep_for(20ms);
  long whileShownBefore = -1, whileShownAfter = -2;
  presenter->onShow = [&](const ReportView&) {
    whileShownBefore = counter.load();
    std::this_thread::sleep_for(60ms);
    whileShownAfter = counter.load();
    ReportChoice choice;
    choice.SendChecked = true;
    return choice;
  };
  ::testing::internal::CaptureStderr();
  RaiseThroughApplication([] { ThrowConversionError("paused"); });
  const std::string errors = ::testing::internal::GetCapturedStderr();
  const long afterReport = counter.load();
  std::this_thread::sleep_for(60ms);
  const long later = counter.load();
  stop = true;
  busy.join();
  EXPECT_EQ(whileShownBefore, whileShownAfter) << "the thread ran during the report";
  EXPECT_GT(later, afterReport) << "the thread was not resumed";
  EXPECT_NE(errors.find("[ERROR] - Section: 1209 - Address: "), std::string::npos) << errors;
  EXPECT_NE(errors.find("delivery failed"), std::string::npos);
}

TEST_F(HandlingFlow, FreezeWatchdogReportsABlockedMainThread) {
  Options().SetHangTimeoutSecs(1);
  Options().SetHangDetection(true);
  PumpUntil([] { return false; }, 100ms);
  BlockGuiThread(2500ms);
  const bool shown = PumpUntil([] { return presenter->ReportCount() == 1; });
  Options().SetHangDetection(false);
  ASSERT_TRUE(shown);
  EXPECT_EQ(presenter->messages[0], "The application seems to be frozen.");
  EXPECT_NE(presenter->reports[0].find("BlockGuiThread"), std::string::npos) << presenter->reports[0];
  EXPECT_NE(presenter->reports[0].find("|Exception Thread: ID=" + std::to_string(::getpid()) + ";"),
            std::string::npos);
  TLogFile log(LogPath(), true);
  ASSERT_EQ(log.ReportCount(), 1);
  EXPECT_EQ(log.ItemValue("2.4", 0), "EFrozenApplication");
}

}  // namespace
}  // namespace kestrova::testing
