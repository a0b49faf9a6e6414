// Setting selectors: their lists, the port's value, picks, Text, binding and the port's removal.
#include "comsetup/com_combo_box.h"

#include "comport/com_error.h"
#include "comport/com_port.h"
#include "comport/settings_text.h"
#include "fixed_port_names.h"
#include "qt_application.h"
#include "user_picks.h"

#include <QSignalSpy>
#include <QTest>

#include <functional>

namespace kestrova {
namespace {

using enum TComProperty;

QStringList Items(const QComboBox& box) {
  QStringList items;
  for (int i = 0; i < box.count(); ++i) items << box.itemText(i);
  return items;
}

// The text form of the port's value of a setting, as a selector should show it.
QString PortValue(const TCustomComPort& port, TComProperty setting) {
  switch (setting) {
    case cpPort: return QString::fromStdString(port.Port());
    case cpBaudRate: return QString::fromStdString(BaudRateToText(port.BaudRate()));
    case cpDataBits: return QString::fromStdString(DataBitsToText(port.DataBits()));
    case cpStopBits: return QString::fromStdString(StopBitsToText(port.StopBits()));
    case cpParity: return QString::fromStdString(ParityBitsToText(port.Parity().Bits()));
    case cpFlowControl: return QString::fromStdString(FlowControlToText(port.FlowControl().FlowControl()));
    case cpNone: break;
  }
  return {};
}

class ComComboBoxTest : public ::testing::Test {
 protected:
  ComComboBoxTest() { names.Install(); }

  FixedPortNames names{{"COM1:", "LPT1:", "COM10", "com3", "COM2"}};
  TComPort port;
  TComComboBox box;
};

TEST_F(ComComboBoxTest, EachSettingListsAllItsValuesAndSelectsTheFirstWithoutAPort) {
  const struct {
    TComProperty setting;
    QStringList items;
  } cases[] = {
      {cpPort, {"COM1", "COM10", "COM2"}},
      {cpBaudRate,
       {"Custom", "110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200", "38400", "56000", "57600",
        "115200", "128000", "256000"}},
      {cpDataBits, {"5", "6", "7", "8"}},
      {cpStopBits, {"1", "1.5", "2"}},
      {cpParity, {"None", "Odd", "Even", "Mark", "Space"}},
      {cpFlowControl, {"Hardware", "Software", "None", "Custom"}},
      {cpNone, {}},
  };
  for (const auto& c : cases) {
    box.setComProperty(c.setting);
    EXPECT_EQ(box.ComProperty(), c.setting);
    EXPECT_EQ(Items(box), c.items);
    EXPECT_EQ(box.Text(), c.items.value(0)) << "nothing selected reads empty";
  }
}

TEST_F(ComComboBoxTest, BindingSelectsThePortsValueOfEachSetting) {
  const struct {
    TComProperty setting;
    std::function<void(TCustomComPort&)> configure;
    QString selected;  // empty: no entry selected
  } cases[] = {
      {cpPort, [](TCustomComPort& p) { p.SetPort("COM10"); }, "COM10"},
      // Not reported (lower case only is skipped; not at all): added as absent and selected.
      {cpPort, [](TCustomComPort& p) { p.SetPort("COM3"); }, "COM3"},
      {cpPort, [](TCustomComPort& p) { p.SetPort("COM4"); }, "COM4"},
      {cpBaudRate, [](TCustomComPort& p) { p.SetBaudRate(TBaudRate::br4800); }, "4800"},
      {cpBaudRate, [](TCustomComPort& p) { p.SetBaudRate(TBaudRate::brCustom); }, "Custom"},
      {cpDataBits, [](TCustomComPort& p) { p.SetDataBits(TDataBits::dbSeven); }, "7"},
      {cpStopBits, [](TCustomComPort& p) { p.SetStopBits(TStopBits::sbOne5StopBits); }, "1.5"},
      {cpParity, [](TCustomComPort& p) { p.Parity().SetBits(TParityBits::prSpace); }, "Space"},
      {cpFlowControl, [](TCustomComPort& p) { p.FlowControl().SetFlowControl(TFlowControl::fcSoftware); }, "Software"},
      // RTS toggling matches no preset: the preset reads Custom.
      {cpFlowControl, [](TCustomComPort& p) { p.FlowControl().SetControlRTS(TRTSFlowControl::rtsToggle); }, "Custom"},
  };
  for (const auto& c : cases) {
    TComPort configured;
    c.configure(configured);
    TComComboBox selector;
    selector.setComProperty(c.setting);
    selector.setComPort(&configured);
    EXPECT_EQ(selector.ComPort(), &configured);
    EXPECT_EQ(selector.Text(), c.selected) << PortValue(configured, c.setting).toStdString();
    EXPECT_EQ(selector.currentIndex() < 0, c.selected.isEmpty());

    // Applying what was found writes the same value back ("Custom" keeps the flow flags).
    const QString before = PortValue(configured, c.setting);
    const TRTSFlowControl rtsBefore = configured.FlowControl().ControlRTS();
    selector.ApplyToPort();
    if (!c.selected.isEmpty()) {
      EXPECT_EQ(PortValue(configured, c.setting), before);
    }
    EXPECT_EQ(configured.FlowControl().ControlRTS(), rtsBefore);
  }
}

TEST_F(ComComboBoxTest, PortNameNotListedIsAddedAsAbsentAndKept) {
  port.SetPort("COM4");
  box.setComProperty(cpPort);
  box.setComPort(&port);
  ASSERT_EQ(box.count(), 4) << "the three reported ports and the port's own";
  EXPECT_EQ(box.currentIndex(), 3);
  EXPECT_EQ(box.Text(), "COM4");
  EXPECT_FALSE(box.itemData(3, Qt::ToolTipRole).toString().isEmpty()) << "marked as absent";
  // Found again, not added twice.
  box.LoadFromPort();
  EXPECT_EQ(box.count(), 4);
  box.ApplyToPort();
  EXPECT_EQ(port.Port(), "COM4");
}

TEST_F(ComComboBoxTest, PickIsHeldUntilApplyUnlessAutoApply) {
  const struct {
    TComProperty setting;
    QString pick;
  } cases[] = {{cpPort, "COM2"},   {cpBaudRate, "Custom"}, {cpDataBits, "6"},
               {cpStopBits, "2"}, {cpParity, "Even"},     {cpFlowControl, "Hardware"}};
  for (const bool autoApply : {false, true}) {
    for (const auto& c : cases) {
      TComPort target;
      TComComboBox selector;
      selector.setAutoApply(autoApply);
      selector.setComProperty(c.setting);
      selector.setComPort(&target);
      const QString before = PortValue(target, c.setting);
      PickWithKeys(selector, c.pick);
      EXPECT_EQ(selector.Text(), c.pick);
      EXPECT_EQ(PortValue(target, c.setting), autoApply ? c.pick : before) << c.pick.toStdString();
      selector.ApplyToPort();
      EXPECT_EQ(PortValue(target, c.setting), c.pick);
    }
  }
}

TEST_F(ComComboBoxTest, OnlyTheUsersPicksNotifyAChange) {
  QSignalSpy changes(&box, &TComComboBox::OnChange);
  box.setComProperty(cpParity);
  box.setComPort(&port);
  box.setText("Odd");
  box.setCurrentIndex(3);
  box.LoadFromPort();
  box.setComProperty(cpBaudRate);
  EXPECT_EQ(changes.count(), 0);

  box.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
  PickWithMouse(box, "110");
  EXPECT_EQ(changes.count(), 1);
  EXPECT_EQ(box.Text(), "110");
  box.ApplyToPort();
  EXPECT_EQ(port.BaudRate(), TBaudRate::br110);

  PickWithKeys(box, "300");
  EXPECT_EQ(changes.count(), 2);
}

TEST_F(ComComboBoxTest, TextSelectsAnEntryInAnyLetterCaseAndLeavesOthersAlone) {
  box.setComProperty(cpParity);
  const struct {
    QString written;
    QString shown;
  } cases[] = {{"none", "None"}, {"EVEN", "Even"}, {"sPaCe", "Space"}, {"xyz", "Space"}, {"", "Space"}, {"Spac", "Space"}};
  for (const auto& c : cases) {
    box.setText(c.written);
    EXPECT_EQ(box.Text(), c.shown) << c.written.toStdString();
  }
  box.setComProperty(cpNone);
  EXPECT_EQ(box.count(), 0);
  EXPECT_EQ(box.Text(), "");
}

TEST_F(ComComboBoxTest, DestroyedPortIsForgottenAndTheFirstEntrySelected) {
  auto* doomed = new TComPort;
  doomed->SetBaudRate(TBaudRate::br4800);
  box.setComProperty(cpBaudRate);
  box.setComPort(doomed);
  ASSERT_EQ(box.Text(), "4800");
  delete doomed;
  EXPECT_EQ(box.ComPort(), nullptr);
  EXPECT_EQ(box.Text(), "Custom");
  box.ApplyToPort();  // nothing to write to (ASan would catch a write to the freed port)
  PickWithKeys(box, "9600");
  EXPECT_EQ(box.Text(), "9600");
}

TEST_F(ComComboBoxTest, RebindingKeepsTheNewPortWhenAnEarlierOneIsDestroyed) {
  auto* earlier = new TComPort;
  port.SetBaudRate(TBaudRate::br2400);
  box.setComProperty(cpBaudRate);
  box.setComPort(earlier);
  box.setComPort(&port);
  EXPECT_EQ(box.Text(), "2400");
  delete earlier;
  EXPECT_EQ(box.ComPort(), &port);
  EXPECT_EQ(box.Text(), "2400");
}

TEST_F(ComComboBoxTest, BindingNoneOnlyForgetsThePort) {
  port.Parity().SetBits(TParityBits::prOdd);
  box.setComProperty(cpParity);
  box.setComPort(&port);
  box.setComPort(nullptr);
  EXPECT_EQ(box.ComPort(), nullptr);
  EXPECT_EQ(box.Text(), "Odd");
  PickWithKeys(box, "Mark");
  box.ApplyToPort();
  EXPECT_EQ(port.Parity().Bits(), TParityBits::prOdd);

  // Switching the setting with a port bound selects the port's value of the new setting.
  port.SetStopBits(TStopBits::sbTwoStopBits);
  box.setComPort(&port);
  box.setComProperty(cpStopBits);
  EXPECT_EQ(box.Text(), "2");
}

TEST_F(ComComboBoxTest, FailedPortListingLeavesTheListEmpty) {
  box.setComProperty(cpPort);
  ASSERT_EQ(box.count(), 3);
  FixedPortNames failing({}, 13);
  failing.Install();
  try {
    box.setComProperty(cpPort);
    FAIL() << "no exception";
  } catch (const EComPort& e) {
    EXPECT_EQ(e.ErrorCode(), errEnumPortsFailed);
    EXPECT_EQ(e.SystemErrorCode(), 13);
  }
  EXPECT_EQ(box.count(), 0);
}

}  // namespace
}  // namespace kestrova
