// The report dialog on the offscreen platform: check boxes, buttons, tabs, modes, the
// coordinates file, auto close and the end button.
#include "excreport/dialog/report_dialog.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <thread>

#include "excreport/dialog/call_stack_tree.h"
#include "excreport/dialog/modal_dialogs.h"
#include "excreport/dialog/show_report_dialog.h"
#include "excreport/gui_application.h"
#include "excreport/report_fixture.h"

namespace kestrova {
namespace {

using namespace std::chrono_literals;

class ReportDialogTest : public ::testing::Test {
 protected:
  ReportDialogTest() : options_("/usr/bin/kestrova", false), data_(test::FixedReportData()) {
    context_.Message = "'abc' is not a valid integer value.";
    context_.CoordinatesPath = IniPath();
  }

  QString IniPath() const { return folder_.filePath("Quillmark.ini"); }
  QString IniText() const {
    QFile file(IniPath());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
  }

  // A shown dialog for the current options.
  std::unique_ptr<ReportDialog> Open() {
    report_ = BuildReport(data_, options_);
    auto dialog = std::make_unique<ReportDialog>(report_, data_, options_, context_);
    dialog->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    return dialog;
  }

  ReportDialogResult Show() {
    report_ = BuildReport(data_, options_);
    return ShowReportDialog(report_, data_, options_, context_);
  }

  template <class T = QWidget>
  static T* Child(const QWidget& dialog, const char* name) {
    T* child = dialog.findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  static bool Shown(const QWidget& dialog, const char* name) { return Child(dialog, name)->isVisibleTo(&dialog); }

  QTemporaryDir folder_;
  TQuillModuleOptions options_;
  ReportData data_;
  QuillReport report_;
  ReportDialogContext context_;
};

TEST_F(ReportDialogTest, CheckBoxesAndStripFollowTheOptions) {
  struct Case {
    const char* Name;
    std::uint8_t MailMode;
    std::uint16_t SendFlags;
    std::uint8_t DialogFlags;
    bool Send, SendChecked, Screenshot, ScreenshotChecked, Copy;
    int Strip;
  } cases[] = {
      // A hidden screenshot box still starts checked by the flags; nothing is sent without a mode.
      {"no send mode, no copy box", 0, 0x51, 0x17, false, false, false, true, false, 0},
      {"copy box only", 0, 0x51, 0x1F, false, false, false, true, true, 20},
      {"send and screenshot", 2, 0x51, 0x17, true, true, true, true, false, 34},
      {"send, screenshot unchecked", 3, 0x51, 0x1B, true, true, true, false, true, 34},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    options_.SetMailMode(c.MailMode);
    options_.SetSendFlags(c.SendFlags);
    options_.SetDialogFlags(c.DialogFlags);
    const auto dialog = Open();
    EXPECT_EQ(Shown(*dialog, "sendBox"), c.Send);
    EXPECT_EQ(Shown(*dialog, "screenshotBox"), c.Screenshot);
    EXPECT_EQ(Shown(*dialog, "copyBox"), c.Copy);
    EXPECT_EQ(Shown(*dialog, "strip"), c.Strip > 0);
    if (c.Strip > 0) {
      EXPECT_EQ(Child(*dialog, "strip")->height(), c.Strip);
    }
    EXPECT_EQ(Child<QCheckBox>(*dialog, "sendBox")->isChecked(), c.SendChecked);
    EXPECT_EQ(Child<QCheckBox>(*dialog, "screenshotBox")->isChecked(), c.ScreenshotChecked);
    EXPECT_FALSE(Child<QCheckBox>(*dialog, "copyBox")->isChecked());
    EXPECT_FALSE(Shown(*dialog, "supportLink"));
  }
}

TEST_F(ReportDialogTest, ScreenshotBoxFollowsTheSendBox) {
  options_.SetMailMode(2);
  options_.SetSendFlags(0x51);
  options_.SetDialogFlags(0x17);
  const auto dialog = Open();
  auto* send = Child<QCheckBox>(*dialog, "sendBox");
  auto* screenshot = Child<QCheckBox>(*dialog, "screenshotBox");
  EXPECT_TRUE(screenshot->isEnabled());
  send->click();
  EXPECT_FALSE(screenshot->isEnabled());
  send->click();
  EXPECT_TRUE(screenshot->isEnabled());
  Child<QCheckBox>(*dialog, "screenshotBox")->click();
  dialog->accept();
  const ReportDialogResult result = dialog->Outcome();
  EXPECT_TRUE(result.Shown);
  EXPECT_TRUE(result.SendChecked);
  EXPECT_FALSE(result.ScreenshotChecked);
  EXPECT_FALSE(result.TerminateRequested);
}

TEST_F(ReportDialogTest, ButtonsAndTexts) {
  options_.SetEndButtonAfterErrors(3);
  options_.SetSupportPage("https://support.invalid/");
  for (int errors : {3, 4}) {
    context_.ErrorCount = errors;
    const auto dialog = Open();
    EXPECT_EQ(Shown(*dialog, "endButton"), errors == 4) << errors;
    EXPECT_EQ(Child<QPushButton>(*dialog, "endButton")->text(), "&Restart");
    EXPECT_EQ(Child<QPushButton>(*dialog, "okButton")->text(), "&OK");
    EXPECT_EQ(dialog->focusWidget(), Child<QPushButton>(*dialog, "okButton"));
    EXPECT_EQ(Child<QPushButton>(*dialog, "detailsButton")->text(), "&Details >>");
    EXPECT_EQ(Child<QLabel>(*dialog, "message")->text(), "'abc' is not a valid integer value.");
    EXPECT_TRUE(Shown(*dialog, "supportLink"));
    EXPECT_EQ(dialog->windowTitle(), "Error.");
  }
  options_.SetEndAction(0);
  options_.SetDialogFlags(0x0F);  // no details button
  const auto dialog = Open();
  EXPECT_EQ(Child<QPushButton>(*dialog, "endButton")->text(), "&Terminate");
  EXPECT_FALSE(Shown(*dialog, "detailsButton"));
}

TEST_F(ReportDialogTest, WindowLookFollowsDialogFlags) {
  options_.SetDialogFlags(0xDF);
  auto dialog = Open();
  EXPECT_EQ(dialog->windowType(), Qt::Tool);
  EXPECT_TRUE(StaysOnTop(*dialog));
  EXPECT_EQ(dialog->palette().color(QPalette::Window), QColor(212, 208, 200));
  options_.SetDialogFlags(0x1F);
  dialog = Open();
  EXPECT_EQ(dialog->windowType(), Qt::Dialog);
  EXPECT_FALSE(StaysOnTop(*dialog));
}

TEST_F(ReportDialogTest, FirstTabCpuWithoutModules) {
  options_.SetLogFlags(0x20);
  options_.SetFirstTab(3);
  options_.SetDialogFlags(0x3F);
  const auto dialog = Open();
  auto* tabs = Child<QTabWidget>(*dialog, "tabs");
  ASSERT_EQ(tabs->count(), 4);  // General, Call Stack, CPU, Other
  EXPECT_EQ(tabs->currentIndex(), 2);
  EXPECT_EQ(tabs->tabText(2), "CPU");
  EXPECT_EQ(tabs->tabText(3), "Other");
  EXPECT_EQ(tabs->currentWidget()->findChild<QLabel*>("pageHeader")->text(), "CPU Information");
  const auto* cpu = tabs->currentWidget()->findChild<QTextEdit*>("pageContent");
  ASSERT_NE(cpu, nullptr);
  EXPECT_TRUE(cpu->toPlainText().contains("RAX: 0000000000000001   RBX: 0000000000000002"));
}

TEST_F(ReportDialogTest, CallStackAndModulesPages) {
  options_.SetLogFlags(0x30);
  options_.SetDialogFlags(0x3F);
  const auto dialog = Open();
  auto* tabs = Child<QTabWidget>(*dialog, "tabs");
  ASSERT_EQ(tabs->count(), 5);
  EXPECT_TRUE(tabs->widget(0)->findChild<QTextEdit*>("pageContent")->toPlainText().contains("2.5 Message"));
  EXPECT_EQ(tabs->widget(4)->findChild<QPlainTextEdit*>("pageContent")->toPlainText(), "Port: COM3\n\nBaud: 9600");

  const auto* stack = tabs->widget(1)->findChild<QTreeWidget*>("pageContent");
  ASSERT_NE(stack, nullptr);
  EXPECT_EQ(stack->headerItem()->text(5), "Line");
  EXPECT_EQ(stack->columnWidth(4), 200);
  EXPECT_EQ(CallStackColumnWidths(*stack), (std::array<int, 6>{89, 92, 126, 126, 200, 61}));
  ASSERT_EQ(stack->topLevelItemCount(), 3);
  const QTreeWidgetItem* main = stack->topLevelItem(0);
  EXPECT_TRUE(main->text(0).startsWith("Exception Thread: ID=4242")) << main->text(0).toStdString();
  EXPECT_TRUE(main->isExpanded());
  ASSERT_EQ(main->childCount(), 2);  // one entry hidden, one of kind 0
  EXPECT_EQ(main->child(0)->text(0), "00401A2C");
  EXPECT_EQ(main->child(0)->text(4), "Timer1Timer");
  EXPECT_EQ(main->child(0)->text(5), "112[3]");
  EXPECT_EQ(main->child(0)->textAlignment(5) & Qt::AlignHorizontal_Mask, Qt::AlignRight);
  EXPECT_FALSE(main->child(0)->icon(0).isNull());
  EXPECT_EQ(main->child(1)->text(1), "libc.so.6");
  EXPECT_TRUE(stack->topLevelItem(1)->text(0).startsWith("Running Thread: ID=4250"));
  EXPECT_TRUE(stack->topLevelItem(2)->text(0).startsWith("Calling Thread"));

  const auto* modules = tabs->widget(2)->findChild<QTreeWidget*>("pageContent");
  ASSERT_NE(modules, nullptr);
  EXPECT_EQ(modules->headerItem()->text(5), "Modified");
  EXPECT_EQ(modules->columnWidth(5), 80);   // "ColMod6"
  EXPECT_EQ(modules->columnWidth(6), 712);  // "ColMod5"
  ASSERT_EQ(modules->topLevelItemCount(), 2);
  EXPECT_EQ(modules->topLevelItem(0)->text(4), "2048 Kb");
  EXPECT_EQ(modules->topLevelItem(1)->text(4), "1908 Kb");
  EXPECT_EQ(modules->topLevelItem(0)->text(6), "/usr/bin/kestrova");
}

TEST_F(ReportDialogTest, ReportTextIsNeverReadAsMarkup) {
  context_.Message = "<b>bold</b> & <i>more";
  const auto dialog = Open();
  EXPECT_EQ(Child<QLabel>(*dialog, "message")->textFormat(), Qt::PlainText);
  EXPECT_EQ(Child<QLabel>(*dialog, "message")->text(), "<b>bold</b> & <i>more");
}

TEST_F(ReportDialogTest, DetailsSwitchesModesAndKeepsTheGeometry) {
  options_.SetLogFlags(0x30);
  options_.SetDialogFlags(0x1F);  // copy box: strip of 20 pixels
  auto dialog = Open();
  auto* details = Child<QPushButton>(*dialog, "detailsButton");
  EXPECT_FALSE(dialog->Detailed());
  EXPECT_FALSE(Shown(*dialog, "tabs"));
  EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());  // not resizable

  details->click();
  EXPECT_TRUE(dialog->Detailed());
  EXPECT_TRUE(Shown(*dialog, "tabs"));
  EXPECT_EQ(details->text(), "<< &Details");
  EXPECT_TRUE(Child<QLabel>(*dialog, "message")->text().startsWith("An error has occurred during program execution.\n"));
  EXPECT_EQ(dialog->size(), QSize(745, 488));  // defaults, plus the strip
  dialog->resize(700, 450);
  dialog->move(12, 34);
  details->click();
  EXPECT_FALSE(dialog->Detailed());
  EXPECT_EQ(details->text(), "&Details >>");
  const QString ini = IniText();
  EXPECT_TRUE(ini.startsWith("[Coordinates]\n")) << ini.toStdString();
  for (const char* line : {"\nWidth=700\n", "\nHeight=430\n", "\nLeft=12\n", "\nTop=34\n", "\nWindowsState=1\n"}) {
    EXPECT_TRUE(ini.contains(line)) << line << " in " << ini.toStdString();
  }

  // Widths of an opened list page are written when the dialog closes.
  auto* tabs = Child<QTabWidget>(*dialog, "tabs");
  tabs->setCurrentIndex(1);
  tabs->widget(1)->findChild<QTreeWidget*>("pageContent")->setColumnWidth(1, 150);
  dialog->accept();
  EXPECT_TRUE(IniText().contains("\nCol1=150\n")) << IniText().toStdString();
  EXPECT_FALSE(IniText().contains("ColMod0")) << "the modules page was never opened";

  // The next detailed dialog starts where this one was left, with the stored widths.
  options_.SetDialogFlags(0x3F);
  dialog = Open();
  EXPECT_TRUE(dialog->Detailed());
  EXPECT_EQ(dialog->pos(), QPoint(12, 34));
  EXPECT_EQ(dialog->size(), QSize(700, 450));
  EXPECT_EQ(Child<QTabWidget>(*dialog, "tabs")->widget(1)->findChild<QTreeWidget*>("pageContent")->columnWidth(1), 150);
}

TEST_F(ReportDialogTest, DetailedModeStaysOnScreenAndSurvivesBadValues) {
  QFile file(IniPath());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("[Coordinates]\nWidth=600\nHeight=abc\nLeft=5000\nTop=-40\nCol1=x\n");
  file.close();
  options_.SetDialogFlags(0x37);  // detailed, no strip
  const auto dialog = Open();
  const QRect screen = dialog->screen()->geometry();
  EXPECT_EQ(dialog->size(), QSize(600, 468));
  EXPECT_EQ(dialog->x(), screen.width() - 600);
  EXPECT_EQ(dialog->y(), 0);
  EXPECT_EQ(Child<QTabWidget>(*dialog, "tabs")->widget(1)->findChild<QTreeWidget*>("pageContent")->columnWidth(1), 92);
}

TEST_F(ReportDialogTest, HugeStoredSizeIsClampedSoThatTheButtonsStayOnScreen) {
  QFile file(IniPath());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("[Coordinates]\nWidth=2147483647\nHeight=2147483647\nLeft=2147483647\nTop=-2147483648\n");
  file.close();
  options_.SetDialogFlags(0x3F);  // detailed, with the strip
  const auto dialog = Open();
  const QRect screen = dialog->screen()->geometry();
  EXPECT_LE(dialog->width(), screen.width());
  EXPECT_LE(dialog->height(), screen.height());
  EXPECT_EQ(dialog->pos(), QPoint(0, 0));
  for (const char* name : {"okButton", "detailsButton"}) {
    const auto* button = Child<QPushButton>(*dialog, name);
    const QRect area(button->mapTo(dialog.get(), QPoint(0, 0)) + dialog->pos(), button->size());
    EXPECT_TRUE(screen.contains(area)) << name;
  }
}

TEST_F(ReportDialogTest, ClosesByItselfWithoutInput) {
  options_.SetDialogCloseSecs(5);
  context_.CloseTick = 20ms;
  const ReportDialogResult result = Show();
  EXPECT_TRUE(result.Shown);
  EXPECT_TRUE(result.AutoClosed);
  EXPECT_FALSE(result.TerminateRequested);
}

TEST_F(ReportDialogTest, InputRestartsTheAutoClose) {
  options_.SetDialogCloseSecs(5);
  context_.CloseTick = 50ms;  // closes after 250 ms without input
  bool openAfterInput = false;
  test::WhenModal<ReportDialog>([&openAfterInput](ReportDialog& dialog) {
    // A click every 25 ms for 750 ms: three times the quiet time it needs to close.
    auto* clicks = new QTimer(&dialog);
    auto* message = dialog.findChild<QLabel*>("message");
    QObject::connect(clicks, &QTimer::timeout, [message] { QTest::mouseClick(message, Qt::LeftButton); });
    clicks->start(25);
    QTimer::singleShot(750, &dialog, [&dialog, clicks, &openAfterInput] {
      clicks->stop();
      openAfterInput = dialog.isVisible();
    });
  });
  const ReportDialogResult result = Show();
  EXPECT_TRUE(openAfterInput);
  EXPECT_TRUE(result.AutoClosed);
}

TEST_F(ReportDialogTest, EndButtonRequestsTermination) {
  context_.ErrorCount = 4;
  test::WhenModal<ReportDialog>([](ReportDialog& dialog) { dialog.findChild<QPushButton*>("endButton")->click(); });
  const ReportDialogResult result = Show();
  EXPECT_TRUE(result.Shown);
  EXPECT_TRUE(result.TerminateRequested);
  EXPECT_FALSE(result.AutoClosed);
}

TEST_F(ReportDialogTest, TakenBackTerminationShowsTheDialogAgain) {
  context_.ErrorCount = 4;
  int asked = 0;
  context_.ConfirmTerminate = [&asked] { return ++asked > 1; };
  int shows = 0;
  const auto pressEnd = test::OnEachModal<ReportDialog>([&shows](ReportDialog& dialog) {
    ++shows;
    dialog.findChild<QPushButton*>("endButton")->click();
  });
  const ReportDialogResult result = Show();
  EXPECT_EQ(shows, 2);
  EXPECT_EQ(asked, 2);
  EXPECT_TRUE(result.TerminateRequested);
}

TEST_F(ReportDialogTest, OtherThreadGetsTheShowError) {
  report_ = BuildReport(data_, options_);
  ReportDialogResult result;
  std::thread([&] { result = ShowReportDialog(report_, data_, options_, context_); }).join();
  EXPECT_FALSE(result.Shown);
  EXPECT_EQ(result.ShowError, "Cannot show the DialogBox window.");
}

TEST_F(ReportDialogTest, ComesBackToTheFrontWhenAnotherWindowIsActivated) {
  QWidget other;
  other.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
  const auto dialog = Open();
  ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
  other.activateWindow();
  bool otherWasActive = false;
  EXPECT_TRUE(QTest::qWaitFor([&] {
    otherWasActive = otherWasActive || QApplication::activeWindow() == &other;
    return otherWasActive && QApplication::activeWindow() == dialog.get();
  }, 3000));
}

TEST(CoordinatesFileLocation, ConfigFolderElseTheLogFallback) {
  QTemporaryDir root;
  const std::string config = root.filePath("config").toStdString();
  const std::string home = root.filePath("home").toStdString();
  const std::string savedConfig = std::getenv("XDG_CONFIG_HOME");
  const std::string savedHome = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
  ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  ::setenv("HOME", home.c_str(), 1);
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(home)));
  EXPECT_EQ(CoordinatesFile::DefaultPath().toStdString(), config + "/Quillmark/Quillmark.ini");
  EXPECT_TRUE(QFileInfo(QString::fromStdString(config + "/Quillmark")).isDir());

  // A file where the folder should be: the file goes to the log's fallback folder in the home.
  QDir(QString::fromStdString(config + "/Quillmark")).removeRecursively();
  QFile blocker(QString::fromStdString(config + "/Quillmark"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  const QString fallback = CoordinatesFile::DefaultPath();
  EXPECT_TRUE(fallback.startsWith(QString::fromStdString(home + "/Quillmark/"))) << fallback.toStdString();
  EXPECT_TRUE(fallback.endsWith("/Quillmark.ini"));
  CoordinatesFile(fallback).SaveWindowsState(kStateMaximized);
  EXPECT_EQ(CoordinatesFile(fallback).Load().WindowsState, kStateMaximized);

  ::setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1);
  ::setenv("HOME", savedHome.c_str(), 1);
}

}  // namespace
}  // namespace kestrova
