// Kestrova under a real X server: every caption of the window and the setup dialog fits; a
// reading that is no number shows the report dialog with the exception's message, OK closes it,
// the loop goes on without reporting the same failure again, reports another one, and can be
// stopped right after OK. The test starts Xvfb and runs the scenario in a child run of this
// program on that display.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "app/exception_reporting_setup.h"
#include "app_test_support.h"
#include "caption_fit.h"
#include "comsetup/com_setup_frm.h"
#include "excreport/dialog/report_dialog.h"
#include "excreport/flow/exception_reporting.h"
#include "excreport/flow/handler_state.h"

// Qt's X11 platform keeps a D-Bus connection that libdbus never frees; not ours to fix.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

namespace kestrova {
namespace {

namespace fs = std::filesystem;
using testing::App;
using testing::Control;

constexpr const char* kChildFlag = "KESTROVA_XVFB_CHILD";
// HandlingFlags for the child's run, in decimal; the data block's when unset.
constexpr const char* kHandlingFlagsVariable = "KESTROVA_XVFB_HANDLING_FLAGS";
const QString kMessage = "'abc' is not a valid floating point value.";

// The report dialog on screen, or null.
ReportDialog* ShownReportDialog() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* dialog = qobject_cast<ReportDialog*>(widget); dialog && dialog->isVisible()) return dialog;
  return nullptr;
}

TEST(ReportDialogOnXServer, ScenarioInChild) {
  if (std::getenv(kChildFlag) == nullptr) GTEST_SKIP() << "runs only as the child of the Xvfb test";
  ASSERT_EQ(QGuiApplication::platformName(), "xcb");
  const fs::path folder = fs::path(KESTROVA_BINARY_DIR) / ("xvfb-reporting-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  StartExceptionReporting();
  InstallExceptionReporting(App());
  ASSERT_NE(TheHandlerState(), nullptr) << "the test program carries no valid data block";
  CurrentModuleOptions().SetLogFolder(folder.string());
  // Bit 3 pauses the threads the program started; the toolkit's (X event reader, D-Bus) run on.
  const char* handlingFlags = std::getenv(kHandlingFlagsVariable);
  if (handlingFlags != nullptr) CurrentModuleOptions().SetHandlingFlags(static_cast<std::uint8_t>(std::atoi(handlingFlags)));
  std::atomic<bool> stopWorker{false};
  std::atomic<long> workerRounds{0};
  std::thread worker([&] {
    while (!stopWorker) {
      ++workerRounds;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });

  support::PortMapScope map("COM2 = /nonexistent/kestrova-tty\n");
  TFMain window(App());
  Control<QLineEdit>(window, "Edit1")->setText("abc");
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  // Every caption fits with the fonts and resolution of a real X server.
  testing::ExpectCaptionsFit(window);
  {
    TComSetupFrm setup;
    setup.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&setup));
    testing::ExpectCaptionsFit(setup);
  }
  QTest::mouseClick(Control<QPushButton>(window, "Button1"), Qt::LeftButton);

  // Each report is answered from inside the dialog's own modal loop.
  // The worker's rounds are read twice while a dialog is up: a paused worker makes none between.
  int reports = 0;
  int pausedReports = 0;
  long roundsSeen = -1;
  QString shownMessage;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    ReportDialog* dialog = ShownReportDialog();
    if (dialog == nullptr) return;
    if (roundsSeen < 0) {
      roundsSeen = workerRounds;
      return;  // answered at the next tick
    }
    if (workerRounds == roundsSeen) ++pausedReports;
    roundsSeen = -1;
    if (auto* label = dialog->findChild<QLabel*>("message")) shownMessage = label->text();
    ++reports;
    QTest::mouseClick(dialog->findChild<QPushButton*>("okButton"), Qt::LeftButton);
  });
  answer.start(50);
  EXPECT_TRUE(QTest::qWaitFor([&] { return reports >= 1; }, 20000)) << "no report";
  EXPECT_TRUE(shownMessage.contains(kMessage)) << shownMessage.toStdString();
  // The same failure at the next ticks is not reported again; another one is.
  QTest::qWait(300);
  EXPECT_EQ(reports, 1);
  Control<QLineEdit>(window, "Edit1")->setText("abcd");
  EXPECT_TRUE(QTest::qWaitFor([&] { return reports >= 2; }, 20000)) << "reports seen: " << reports;
  EXPECT_TRUE(shownMessage.contains("'abcd' is not a valid floating point value."))
      << shownMessage.toStdString();
  // Right after OK the loop can be stopped: no report stands in the way of the click.
  ASSERT_TRUE(QTest::qWaitFor([] { return ShownReportDialog() == nullptr; }, 5000));
  auto* loop = Control<QPushButton>(window, "Button1");
  QTest::mouseClick(loop, Qt::LeftButton);
  EXPECT_EQ(loop->text(), "Continua Loop");
  EXPECT_FALSE(Control<QTimer>(window, "Timer1")->isActive());
  QTest::qWait(200);
  answer.stop();
  EXPECT_EQ(reports, 2);
  if ((CurrentModuleOptions().HandlingFlags() & 0x08) != 0)
    EXPECT_EQ(pausedReports, reports) << "the program's own worker is paused during every report";
  else
    EXPECT_EQ(pausedReports, 0) << "nothing is paused without the bit";
  // After the reports the worker runs again.
  const long after = workerRounds;
  EXPECT_TRUE(QTest::qWaitFor([&] { return workerRounds > after; }, 20000));
  stopWorker = true;
  worker.join();
  StopExceptionReporting();
  fs::remove_all(folder);
}

// Runs the scenario in a child on a fresh Xvfb display; the child's exit status, or -1 when it
// hung and was killed.
int RunScenarioOnXvfb(const char* handlingFlags) {
  // Xvfb picks a free display and writes its number to the pipe.
  int displayPipe[2];
  if (::pipe(displayPipe) != 0) return -1;
  const pid_t xvfb = ::fork();
  if (xvfb < 0) return -1;
  if (xvfb == 0) {
    ::close(displayPipe[0]);
    const std::string fd = std::to_string(displayPipe[1]);
    ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
             static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(displayPipe[1]);
  // Read the whole line: Xvfb dies if the pipe closes before it has written its newline.
  std::string text;
  char c = 0;
  while (::read(displayPipe[0], &c, 1) == 1 && c != '\n') text += c;
  ::close(displayPipe[0]);
  EXPECT_FALSE(text.empty()) << "Xvfb did not start";
  const std::string display = ":" + text;

  const pid_t child = ::fork();
  if (child == 0) {
    ::setenv(kChildFlag, "1", 1);
    if (handlingFlags != nullptr) ::setenv(kHandlingFlagsVariable, handlingFlags, 1);
    ::setenv("DISPLAY", display.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    ::execl("/proc/self/exe", "report_dialog_xvfb_test", "--gtest_filter=ReportDialogOnXServer.ScenarioInChild",
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  // A report that parks the toolkit's threads hangs the child for good: it is ended.
  int status = 0;
  bool hung = true;
  for (int i = 0; i < 1500 && child > 0; ++i) {
    if (::waitpid(child, &status, WNOHANG) == child) {
      hung = false;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  if (hung && child > 0) {
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
  }
  ::kill(xvfb, SIGTERM);
  ::waitpid(xvfb, nullptr, 0);
  if (hung || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST(ReportDialogOnXServer, BadReadingShowsTheDialogAndTheLoopGoesOn) {
  if (std::getenv(kChildFlag) != nullptr) GTEST_SKIP() << "the child runs the scenario only";
  // 0x38 pauses the program's other threads during the report (bit 3): the dialog still shows.
  for (const char* handlingFlags : {static_cast<const char*>(nullptr), "56"}) {
    SCOPED_TRACE(handlingFlags != nullptr ? handlingFlags : "the data block's HandlingFlags");
    EXPECT_EQ(RunScenarioOnXvfb(handlingFlags), 0) << "the scenario failed or hung";
  }
}

}  // namespace
}  // namespace kestrova
