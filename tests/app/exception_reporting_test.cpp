// The program's exception paths through the exception reporting subsystem: a reading that is
// no number fails the ticks of the running loop; one report is shown at a time, each is logged,
// the loop goes on after it, and a failure that repeats the tick before's is not reported again.
// The test program carries its own data block, like the program.
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/exception_reporting_setup.h"
#include "app_test_support.h"
#include "comport/thread_guard.h"
#include "excreport/dialog/report_presenter.h"
#include "excreport/flow/exception_reporting.h"
#include "excreport/flow/handler_state.h"
#include "excreport/log/log_file.h"
#include "excreport/log/log_file_path.h"
#include "excreport/report/system_facts.h"

namespace kestrova {
namespace {

namespace fs = std::filesystem;
using testing::App;
using testing::Control;

// Stands in for the report dialog: stays up for a while with its own event loop, as a modal
// dialog does, while the window's timer keeps ticking.
class ModalPresenter final : public ReportPresenter {
 public:
  ReportChoice ShowReport(const ReportView& view) override {
    if (showing) ++overlaps;
    showing = true;
    messages.push_back(view.Message);
    QEventLoop loop;
    QTimer::singleShot(300, &loop, &QEventLoop::quit);
    loop.exec();
    showing = false;
    if (afterShow) afterShow();
    return {};
  }
  std::string AskReproduceSteps(const TQuillModuleOptions&) override { return {}; }
  void ShowMessage(const std::string&, const std::string&, MessageKind) override {}

  bool showing = false;
  int overlaps = 0;
  std::function<void()> afterShow;
  std::vector<std::string> messages;
};

class ExceptionReportingTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    StartExceptionReporting();
    InstallExceptionReporting(App());
  }
  static void TearDownTestSuite() {
    StopExceptionReporting();
    App().SetExceptionHook({});
    SetThreadBodyGuard(nullptr);
  }
  void SetUp() override {
    ASSERT_NE(TheHandlerState(), nullptr) << "the test program carries no valid data block";
    folder_ = fs::path(KESTROVA_BINARY_DIR) / ("app-reporting-" + std::to_string(::getpid()));
    fs::create_directories(folder_);
    CurrentModuleOptions().SetLogFolder(folder_.string());
    SetReportPresenter(presenter_);
  }
  void TearDown() override {
    SetReportPresenter(nullptr);
    fs::remove_all(folder_);
  }

  fs::path folder_;
  std::shared_ptr<ModalPresenter> presenter_ = std::make_shared<ModalPresenter>();
};

TEST_F(ExceptionReportingTest, NonNumbersGiveOneReportAtATimeEachLoggedAndTheLoopGoesOn) {
  support::PseudoTerminalPair line("COM2");
  TFMain window(App());
  auto* edit = Control<QLineEdit>(window, "Edit1");
  edit->setText("abc0");
  // Another text after each report, so that every tick fails in a new way and is reported.
  presenter_->afterShow = [&] { edit->setText(QString("abc%1").arg(presenter_->messages.size())); };
  QTimer* timer = Control<QTimer>(window, "Timer1");
  testing::TickCounter ticks(timer);
  window.show();
  QTest::mouseClick(Control<QPushButton>(window, "Button1"), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return presenter_->messages.size() >= 3 && !presenter_->showing; }, 10000));
  presenter_->afterShow = nullptr;
  // The text set after the last report fails once more, and then keeps failing the same way:
  // that failure is reported once.
  const std::size_t reported = presenter_->messages.size();
  const int ticksBefore = ticks.Count();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return ticks.Count() >= ticksBefore + 6 && !presenter_->showing; }, 10000));
  timer->stop();
  QCoreApplication::processEvents();

  EXPECT_EQ(presenter_->overlaps, 0);
  EXPECT_EQ(presenter_->messages.size(), reported + 1);
  for (std::size_t i = 0; i < presenter_->messages.size(); ++i)
    EXPECT_EQ(presenter_->messages[i],
              "'abc" + std::to_string(i) + "' is not a valid floating point value.");
  EXPECT_EQ(App().ExceptionBox(), nullptr);
  const std::string log = LogFilePath(CurrentModuleOptions(), ComputerName());
  EXPECT_EQ(TLogFile(log, true).ReportCount(), static_cast<int>(presenter_->messages.size()));
  EXPECT_EQ(line.TakeReceived(), "");
}

}  // namespace
}  // namespace kestrova
