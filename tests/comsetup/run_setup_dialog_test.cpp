// The setup dialog in a running event loop: what it shows, what OK writes and when, the ways it
// closes without changing anything, and the port's entry to it.
#include "comsetup/run_setup_dialog.h"

#include "comport/com_error.h"
#include "comport/fake_port_fixture.h"
#include "comsetup/com_setup_frm.h"
#include "fixed_port_names.h"
#include "qt_application.h"
#include "user_picks.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <functional>

namespace kestrova {
namespace {

using enum DeviceCall;

QStringList Shown(const TComSetupFrm& dialog) {
  QStringList texts;
  for (const TComComboBox* combo : dialog.Combos()) texts << combo->Text();
  return texts;
}

QPushButton& Button(const TComSetupFrm& dialog, const char* name) {
  auto* button = dialog.findChild<QPushButton*>(name);
  EXPECT_NE(button, nullptr) << name;
  return *button;
}

bool AnySetupDialogExists() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (qobject_cast<TComSetupFrm*>(w) != nullptr) return true;
  }
  return false;
}

// The main window's port on a machine that reports COM1 and COM2.
class SetupDialogTest : public FakePortTest {
 protected:
  SetupDialogTest() {
    names.Install();
    port.SetPort("COM2");
    port.SetBaudRate(TBaudRate::br4800);
    port.SetDataBits(TDataBits::dbEight);
    port.SetStopBits(TStopBits::sbTwoStopBits);
    port.Parity().SetBits(TParityBits::prNone);
    port.FlowControl().SetFlowControl(TFlowControl::fcNone);
  }

  // Runs the dialog for target; once it shows, act runs from the dialog's own event loop and
  // is expected to close it. Returns whether act ran.
  static bool RunDialog(TCustomComPort& target, const std::function<void(TComSetupFrm&)>& act,
                        const std::function<void()>& run = {}) {
    bool ran = false;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* dialog = qobject_cast<TComSetupFrm*>(QApplication::activeModalWidget());
      if (ran || dialog == nullptr || !dialog->isVisible()) return;
      ran = true;
      poll.stop();
      act(*dialog);
      if (dialog->isVisible()) {
        ADD_FAILURE() << "the dialog was left open";
        dialog->reject();
      }
    });
    poll.start();
    run ? run() : RunSetupDialog(target);
    return ran;
  }

  // Picks baud rate 9600 and closes the dialog with close.
  void PickAndClose(const std::function<void(TComSetupFrm&)>& close) {
    ASSERT_TRUE(RunDialog(port, [&](TComSetupFrm& dialog) {
      PickWithKeys(*dialog.Combos()[1], "9600");
      close(dialog);
    }));
  }

  FixedPortNames names{{"COM1", "COM2"}};
};

TEST_F(SetupDialogTest, OpensWithThePortsSixValuesSelected) {
  ASSERT_TRUE(RunDialog(port, [](TComSetupFrm& dialog) {
    EXPECT_EQ(Shown(dialog), QStringList({"COM2", "4800", "8", "2", "None", "None"}));
    EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
    EXPECT_EQ(QApplication::focusWidget(), dialog.Combos()[0]);
    const QPoint centre = dialog.frameGeometry().center();
    const QPoint screenCentre = dialog.screen()->availableGeometry().center();
    EXPECT_LE((centre - screenCentre).manhattanLength(), 2);
    Button(dialog, "Button2").click();
  }));
}

TEST_F(SetupDialogTest, FormHasItsControlsCaptionsAndTabOrder) {
  TComSetupFrm dialog;
  EXPECT_EQ(dialog.windowTitle(), "Setup");
  EXPECT_EQ(dialog.size(), QSize(231, 216));
  EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
  EXPECT_FALSE(dialog.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  EXPECT_EQ(dialog.font().family(), "MS Sans Serif");
  const struct {
    const char* name;
    QRect geometry;
    QString caption;
  } controls[] = {
      {"GroupBox1", {8, 8, 217, 169}, " Settings "}, {"Label1", {8, 24, 70, 13}, "Port"},
      {"Label2", {8, 48, 70, 13}, "Baud rate"},      {"Label3", {8, 72, 70, 13}, "Data bits"},
      {"Label4", {8, 96, 70, 13}, "Stop bits"},      {"Label5", {8, 120, 70, 13}, "Parity"},
      {"Label6", {8, 144, 70, 13}, "Flow control"},  {"Combo1", {80, 16, 129, 21}, "COM1"},
      {"Combo2", {80, 40, 129, 21}, "Custom"},       {"Combo3", {80, 64, 129, 21}, "5"},
      {"Combo4", {80, 88, 129, 21}, "1"},            {"Combo5", {80, 112, 129, 21}, "None"},
      {"Combo6", {80, 136, 129, 21}, "Hardware"},    {"Button1", {70, 184, 75, 25}, "OK"},
      {"Button2", {150, 184, 75, 25}, "Cancel"},
  };
  for (const auto& c : controls) {
    const QWidget* w = dialog.findChild<QWidget*>(c.name);
    ASSERT_NE(w, nullptr) << c.name;
    EXPECT_EQ(w->geometry(), c.geometry) << c.name;
    QString caption;
    if (auto* box = qobject_cast<const QGroupBox*>(w)) caption = box->title();
    if (auto* label = qobject_cast<const QLabel*>(w)) caption = label->text();
    if (auto* combo = qobject_cast<const TComComboBox*>(w)) caption = combo->Text();  // unbound: first entry
    if (auto* button = qobject_cast<const QPushButton*>(w)) caption = button->text();
    EXPECT_EQ(caption, c.caption) << c.name;
  }
  EXPECT_TRUE(Button(dialog, "Button1").isDefault());
  EXPECT_FALSE(Button(dialog, "Button2").isDefault());

  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  QStringList order;
  for (int i = 0; i < 8; ++i) {
    order << QApplication::focusWidget()->objectName();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  EXPECT_EQ(order, QStringList({"Combo1", "Combo2", "Combo3", "Combo4", "Combo5", "Combo6", "Button1", "Button2"}));
  EXPECT_EQ(QApplication::focusWidget()->objectName(), "Combo1");
}

TEST_F(SetupDialogTest, OkWritesAllSixSelectionsToAConnectedPortInOnePass) {
  port.SetConnected(true);
  script.ClearRecords();
  PickAndClose([](TComSetupFrm& dialog) { QTest::mouseClick(&Button(dialog, "Button1"), Qt::LeftButton); });
  EXPECT_EQ(port.BaudRate(), TBaudRate::br9600);
  EXPECT_EQ(port.Port(), "COM2");
  EXPECT_EQ(port.DataBits(), TDataBits::dbEight);
  EXPECT_EQ(port.StopBits(), TStopBits::sbTwoStopBits);
  EXPECT_EQ(port.Parity().Bits(), TParityBits::prNone);
  EXPECT_EQ(port.FlowControl().FlowControl(), TFlowControl::fcNone);
  // One apply at the end of the bracket, though six settings were written.
  EXPECT_EQ(script.Calls(), (std::vector<DeviceCall>{SetupQueues, SetState, SetTimeouts}));
  EXPECT_EQ(LastState().BaudRate, 9600u);
  EXPECT_EQ(LastState().StopBits, kTwoStopBits);
}

TEST_F(SetupDialogTest, ChangedNameReopensAConnectedPortAndConfiguresItOnce) {
  port.SetConnected(true);
  script.ClearRecords();
  ASSERT_TRUE(RunDialog(port, [](TComSetupFrm& dialog) {
    PickWithKeys(*dialog.Combos()[0], "COM1");
    PickWithKeys(*dialog.Combos()[2], "7");
    QTest::keyClick(dialog.Combos()[2], Qt::Key_Return);  // Enter: the default button
  }));
  EXPECT_EQ(port.Port(), "COM1");
  EXPECT_TRUE(port.Connected());
  const auto calls = script.Calls();
  ASSERT_FALSE(calls.empty());
  // The old device is closed (after the close sequence's purge) before the new one opens.
  const auto close = std::find(calls.begin(), calls.end(), Close);
  ASSERT_NE(close, calls.end());
  EXPECT_EQ(std::find(calls.begin(), close, Open), close);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), Open), 1);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), SetState), 1);
  EXPECT_EQ(calls.back(), SetTimeouts);  // the bracket's end configures the reopened device
  EXPECT_EQ(LastState().ByteSize, 7);
}

TEST_F(SetupDialogTest, CancelCloseBoxAndEscapeLeaveThePortAsItWas) {
  const struct {
    const char* way;
    std::function<void(TComSetupFrm&)> close;
  } ways[] = {
      {"Cancel", [](TComSetupFrm& d) { QTest::mouseClick(&Button(d, "Button2"), Qt::LeftButton); }},
      {"close box", [](TComSetupFrm& d) { d.close(); }},
      {"Escape, then Cancel",
       [](TComSetupFrm& d) {
         QTest::keyClick(d.Combos()[1], Qt::Key_Escape);
         QTest::keyClick(&d, Qt::Key_Escape);
         QApplication::processEvents();
         EXPECT_TRUE(d.isVisible()) << "Escape closed the dialog";
         EXPECT_EQ(d.result(), QDialog::Rejected);
         QTest::mouseClick(&Button(d, "Button2"), Qt::LeftButton);
       }},
  };
  for (const auto& w : ways) {
    PickAndClose(w.close);
    EXPECT_EQ(port.BaudRate(), TBaudRate::br4800) << w.way;
    // A second opening starts from the port again, not from the earlier pick.
    ASSERT_TRUE(RunDialog(port, [&](TComSetupFrm& dialog) {
      EXPECT_EQ(dialog.Combos()[1]->Text(), "4800") << w.way;
      dialog.reject();
    }));
  }
  EXPECT_TRUE(script.Records().empty());
}

TEST_F(SetupDialogTest, NoPortsReportedKeepsThePortsOwnNameOnOk) {
  FixedPortNames none({});
  none.Install();
  ASSERT_TRUE(RunDialog(port, [](TComSetupFrm& dialog) {
    EXPECT_EQ(dialog.Combos()[0]->count(), 1) << "only the port's own name, its device absent";
    EXPECT_EQ(dialog.Combos()[0]->Text(), "COM2");
    Button(dialog, "Button1").click();
  }));
  EXPECT_EQ(port.Port(), "COM2");
  EXPECT_EQ(port.BaudRate(), TBaudRate::br4800);
}

TEST_F(SetupDialogTest, AnotherWindowsTimerKeepsTickingWhileTheDialogIsOpen) {
  QWidget window;
  QTimer timer(&window);
  int ticks = 0;
  QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
  window.show();
  timer.start(20);
  ASSERT_TRUE(RunDialog(port, [&](TComSetupFrm& dialog) {
    const int before = ticks;
    QTest::qWait(300);
    EXPECT_GE(ticks - before, 5);
    EXPECT_TRUE(dialog.isVisible());
    dialog.accept();
  }));
}

TEST_F(SetupDialogTest, FailedApplyStillEndsTheBracketAndFreesTheDialog) {
  port.SetConnected(true);
  try {
    RunDialog(port, [&](TComSetupFrm& dialog) {
      PickWithKeys(*dialog.Combos()[0], "COM1");
      script.Fail(Open, ENOENT);  // the reopen under the new name fails
      dialog.accept();
    });
    FAIL() << "no exception";
  } catch (const EComPort& e) {
    EXPECT_EQ(e.ErrorCode(), errOpenFailed);
  }
  EXPECT_FALSE(port.Connected());
  EXPECT_FALSE(AnySetupDialogExists());
  // With the bracket still open, this open would leave the device unconfigured.
  script.ClearFailure();
  script.ClearRecords();
  port.SetConnected(true);
  EXPECT_EQ(RecordsOf(SetState).size(), 1u);
}

TEST_F(SetupDialogTest, FailedPortListingShowsNothing) {
  FixedPortNames failing({}, EACCES);
  failing.Install();
  try {
    EXPECT_FALSE(RunDialog(port, [](TComSetupFrm&) {}));
    FAIL() << "no exception";
  } catch (const EComPort& e) {
    EXPECT_EQ(e.ErrorCode(), errEnumPortsFailed);
  }
  EXPECT_FALSE(AnySetupDialogExists());
  EXPECT_EQ(port.Port(), "COM2");
}

TEST_F(SetupDialogTest, PortDestroyedWhileTheDialogIsOpenGetsNothingWritten) {
  auto* doomed = new TComPort;
  doomed->SetBaudRate(TBaudRate::br4800);
  ASSERT_TRUE(RunDialog(*doomed, [&](TComSetupFrm& dialog) {
    delete doomed;
    EXPECT_EQ(dialog.Combos()[1]->ComPort(), nullptr);
    dialog.accept();  // ASan would report any write to the freed port
  }));
}

TEST_F(SetupDialogTest, PortsShowSettingsDialogRunsTheInstalledDialog) {
  TCustomComPort::SetSettingsDialogRunner(nullptr);
  EXPECT_THROW(port.ShowSettingsDialog(), std::logic_error);
  InstallSetupDialog();
  EXPECT_TRUE(RunDialog(
      port,
      [](TComSetupFrm& dialog) {
        EXPECT_EQ(dialog.Combos()[0]->Text(), "COM2");
        PickWithKeys(*dialog.Combos()[4], "Odd");
        dialog.accept();
      },
      [&] { port.ShowSettingsDialog(); }));
  EXPECT_EQ(port.Parity().Bits(), TParityBits::prOdd);
  TCustomComPort::SetSettingsDialogRunner(nullptr);
}

}  // namespace
}  // namespace kestrova
