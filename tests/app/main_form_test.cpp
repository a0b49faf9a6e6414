// The main window in a real Qt event loop (offscreen): its form, the loop button and the
// check box pairing. COM2 is mapped to a device that does not exist, so no tick reaches a
// real port.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "app_test_support.h"
#include "caption_fit.h"
#include "comport/custom_com_port.h"
#include "comport/port_name_source.h"
#include "comsetup/com_combo_box.h"
#include "comsetup/com_setup_frm.h"
#include "comsetup/run_setup_dialog.h"
#include "comsetup/selector_port_names.h"

namespace kestrova {
namespace {

using testing::Control;

class MainFormTest : public ::testing::Test {
 protected:
  support::PortMapScope map_{"COM2 = /nonexistent/kestrova-tty\n"};
  TFMain window_{testing::App()};
};

TEST_F(MainFormTest, FormAsStored) {
  EXPECT_EQ(window_.windowTitle(), "Kestrova Morvelt S.A");
  EXPECT_EQ(window_.size(), QSize(338, 142));
  EXPECT_EQ(window_.pos(), QPoint(0, 0));
  EXPECT_EQ(window_.font().family(), "Tahoma");
  EXPECT_EQ(window_.font().pointSize(), 8);

  struct Row {
    const char* name;
    const char* kind;
    QRect geometry;
    const char* text;
    bool checked;
  };
  // In tab order.
  const std::vector<Row> rows = {
      {"BitBtn1", "QPushButton", {135, 64, 75, 25}, "Config Porta", false},
      {"Edit1", "QLineEdit", {40, 32, 89, 21}, "40000", false},
      {"Button1", "QPushButton", {40, 64, 91, 25}, "Inicia Loop", false},
      {"CheckBox1", "QCheckBox", {40, 9, 120, 17}, "Valor Fixo", true},
      {"CheckBox2", "QCheckBox", {168, 8, 160, 17}, "Valor Aleatorio", false},
      {"Edit2", "QLineEdit", {168, 31, 65, 21}, "20000", false},
      {"Edit3", "QLineEdit", {239, 31, 65, 21}, "20500", false},
      {"Edit4", "QLineEdit", {224, 66, 89, 21}, "_000000_", false},
      {"MaskEdit1", "QLineEdit", {224, 93, 87, 21}, "", false},
  };
  std::vector<QWidget*> controls;
  std::vector<std::string> names;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto* control = Control<QWidget>(window_, row.name);
    ASSERT_NE(control, nullptr);
    controls.push_back(control);
    names.push_back(row.name);
    EXPECT_STREQ(control->metaObject()->className(), row.kind);
    EXPECT_EQ(control->geometry(), row.geometry);
    EXPECT_TRUE(control->focusPolicy() & Qt::TabFocus);
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
      EXPECT_EQ(edit->text(), row.text);
      EXPECT_TRUE(edit->inputMask().isEmpty());
    } else {
      auto* button = qobject_cast<QAbstractButton*>(control);
      EXPECT_EQ(button->text(), row.text);
      EXPECT_EQ(button->isChecked(), row.checked);
    }
  }
  // Tab order: following the focus chain from the first control meets the others in turn.
  std::vector<std::string> chain{names.front()};
  for (QWidget* w = controls.front()->nextInFocusChain(); w != controls.front();
       w = w->nextInFocusChain())
    if (std::find(controls.begin(), controls.end(), w) != controls.end())
      chain.push_back(w->objectName().toStdString());
  EXPECT_EQ(chain, names);

  auto* timer = Control<QTimer>(window_, "Timer1");
  ASSERT_NE(timer, nullptr);
  EXPECT_FALSE(timer->isActive());
  EXPECT_EQ(timer->interval(), 50);
  EXPECT_NE(Control<QObject>(window_, "ComPort1"), nullptr);
}

// With only the fonts of a stock Debian machine: the requested faces fall back to a wider one.
TEST_F(MainFormTest, EveryCaptionFitsItsControl) {
  window_.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
  testing::ExpectCaptionsFit(window_);
  // The loop button's other captions, too.
  auto* loop = Control<QPushButton>(window_, "Button1");
  for (const char* caption : {"Parar Loop", "Continua Loop"}) {
    SCOPED_TRACE(caption);
    loop->setText(caption);
    EXPECT_LE(testing::CaptionOverflow(*loop), 0);
  }
  TComSetupFrm dialog;
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  EXPECT_EQ(dialog.size(), QSize(231, 216));
  testing::ExpectCaptionsFit(dialog);
}

TEST_F(MainFormTest, ConfigButtonHoldsTheFocusAtFirstShow) {
  window_.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
  EXPECT_EQ(QApplication::focusWidget(), Control<QWidget>(window_, "BitBtn1"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), Control<QWidget>(window_, "Edit1"));
}

TEST_F(MainFormTest, LoopButtonStartsStopsAndContinues) {
  window_.show();
  auto* button = Control<QPushButton>(window_, "Button1");
  auto* timer = Control<QTimer>(window_, "Timer1");
  ASSERT_TRUE(button && timer);
  const struct {
    const char* caption;
    bool running;
  } steps[] = {{"Parar Loop", true},
               {"Continua Loop", false},
               {"Parar Loop", true},
               {"Continua Loop", false}};
  for (const auto& step : steps) {
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(button->text(), step.caption);
    EXPECT_EQ(timer->isActive(), step.running);
  }
}

TEST_F(MainFormTest, CheckBoxesStayPaired) {
  window_.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
  auto* fixed = Control<QCheckBox>(window_, "CheckBox1");
  auto* random = Control<QCheckBox>(window_, "CheckBox2");
  ASSERT_TRUE(fixed && random);
  int changes = 0;
  for (QCheckBox* box : {fixed, random})
    QObject::connect(box, &QCheckBox::toggled, [&changes] { ++changes; });

  // A change made by code pairs the boxes just as a click does.
  enum class Input { Mouse, Space, Code };
  const struct {
    QCheckBox* box;
    Input input;
    bool fixedAfter;
  } steps[] = {
      {random, Input::Mouse, false},  // clicking the unchecked box checks it
      {random, Input::Mouse, true},   // clicking the checked box unchecks it
      {fixed, Input::Mouse, false},  {fixed, Input::Mouse, true},  {random, Input::Space, false},
      {fixed, Input::Space, true},   {random, Input::Code, false}, {fixed, Input::Code, true},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.box->objectName().toStdString());
    changes = 0;
    switch (step.input) {
      case Input::Mouse:
        testing::ClickCheckBox(step.box);
        break;
      case Input::Space:
        step.box->setFocus();
        QTest::keyClick(step.box, Qt::Key_Space);
        break;
      case Input::Code:
        step.box->setChecked(!step.box->isChecked());
        break;
    }
    EXPECT_EQ(fixed->isChecked(), step.fixedAfter);
    EXPECT_EQ(random->isChecked(), !step.fixedAfter);
    EXPECT_EQ(changes, 2) << "each box changes once, and nothing more fires";
  }
}

class TwoPorts final : public PortNameSource {
 public:
  PortNameResult ListPortNames() const override { return {true, 0, {"COM1", "COM2"}}; }
};

TEST_F(MainFormTest, ConfigPortaShowsTheSetupDialogForTheWindowsPort) {
  InstallSetupDialog();
  const TwoPorts ports;
  SetSelectorPortNames(&ports);
  QStringList shown;
  bool dialogSeen = false;
  // The dialog runs its own modal loop; inspect and cancel it from inside that loop.
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<TComSetupFrm*>(QApplication::activeModalWidget());
    if (dialog == nullptr || dialogSeen) return;
    dialogSeen = true;
    for (TComComboBox* combo : dialog->Combos()) shown << combo->Text();
    dialog->reject();
  });
  poll.start(10);
  QTest::mouseClick(Control<QPushButton>(window_, "BitBtn1"), Qt::LeftButton);
  SetSelectorPortNames(nullptr);
  EXPECT_TRUE(dialogSeen) << "the click returned without showing the dialog";
  EXPECT_EQ(shown, QStringList({"COM2", "4800", "8", "2", "None", "None"}));
}

// What a handler raises goes from its slot to the central handler: nothing unwinds through Qt's
// code, so nothing comes out of a direct emission either.
TEST_F(MainFormTest, HandlersHandTheirFailuresToTheCentralHandler) {
  std::vector<std::string> raised;
  testing::App().SetExceptionHook([&raised](const std::exception_ptr& error) {
    raised.push_back(TApplication::ExceptionMessage(error));
    return true;
  });
  TCustomComPort::SetSettingsDialogRunner(
      [](TCustomComPort&) { throw std::runtime_error("no dialog"); });
  EXPECT_NO_THROW(Control<QPushButton>(window_, "BitBtn1")->click());
  InstallSetupDialog();

  Control<QLineEdit>(window_, "Edit1")->setText("4x");
  EXPECT_NO_THROW(QMetaObject::invokeMethod(Control<QTimer>(window_, "Timer1"), "timeout",
                                            Qt::DirectConnection));
  testing::App().SetExceptionHook({});
  EXPECT_EQ(raised,
            (std::vector<std::string>{"no dialog.", "'4x' is not a valid floating point value."}));
}

}  // namespace
}  // namespace kestrova
