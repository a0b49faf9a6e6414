// Storing and loading a port's settings in the registry stand-in and in INI files.
#include "comport/com_port.h"
#include "comport/ini_file.h"
#include "comport/registry.h"
#include "fake_port_fixture.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using enum TSettingGroup;

const TSettingGroups kAllGroups = {sgBasic, sgFlowControl, sgBuffer, sgTimeouts, sgParity, sgMisc};

// A port with every stored setting away from its default.
void SetEverything(TCustomComPort& port) {
  port.SetPort("COM3");
  port.SetBaudRate(TBaudRate::brCustom);
  port.SetCustomBaudRate(250000);
  port.SetStopBits(TStopBits::sbOne5StopBits);
  port.SetDataBits(TDataBits::dbSeven);
  port.Parity().SetBits(TParityBits::prMark);
  port.SetEventChar('\r');
  port.SetDiscardNull(true);
  port.Parity().SetCheck(true);
  port.Parity().SetReplace(true);
  port.Parity().SetReplaceChar('?');
  port.Buffer().SetOutputSize(2048);
  port.Buffer().SetInputSize(4096);
  port.Timeouts().SetReadInterval(10);
  port.Timeouts().SetReadTotalConstant(20);
  port.Timeouts().SetReadTotalMultiplier(30);
  port.Timeouts().SetWriteTotalConstant(40);
  port.Timeouts().SetWriteTotalMultiplier(50);
  TComFlowControl& flow = port.FlowControl();
  flow.SetControlRTS(TRTSFlowControl::rtsToggle);
  flow.SetControlDTR(TDTRFlowControl::dtrHandshake);
  flow.SetDSRSensitivity(true);
  flow.SetOutCTSFlow(true);
  flow.SetOutDSRFlow(true);
  flow.SetTxContinueOnXoff(true);
  flow.SetXonXoffIn(true);
  flow.SetXonXoffOut(false);
  flow.SetXoffChar(' ');
  flow.SetXonChar('A');
}

// The section of the port set by SetEverything with all groups, in the stored order and forms.
constexpr const char* kEverythingIni =
    "[ComPort1]\n"
    "Port=COM3\nBaudRate=Custom\nCustomBaudRate=250000\nStopBits=1.5\nDataBits=7\nParity=Mark\n"
    "FlowControl=Custom\n"
    "EventChar=#13\nDiscardNull=Yes\n"
    "Parity.Check=Yes\nParity.Replace=Yes\nParity.ReplaceChar=?\n"
    "Buffer.OutputSize=2048\nBuffer.InputSize=4096\n"
    "Timeouts.ReadInterval=10\nTimeouts.ReadTotalConstant=20\nTimeouts.ReadTotalMultiplier=30\n"
    "Timeouts.WriteTotalConstant=40\nTimeouts.WriteTotalMultiplier=50\n"
    "FlowControl.ControlRTS=Toggle\nFlowControl.ControlDTR=Handshake\nFlowControl.DSRSensitivity=Yes\n"
    "FlowControl.OutCTSFlow=Yes\nFlowControl.OutDSRFlow=Yes\nFlowControl.TxContinueOnXoff=Yes\n"
    "FlowControl.XonXoffIn=Yes\nFlowControl.XonXoffOut=No\nFlowControl.XoffChar=#32\nFlowControl.XonChar=A\n";

// Every stored setting of a port, for comparing two ports.
struct StoredValues {
  std::string port;
  TBaudRate baudRate;
  std::int32_t customBaudRate;
  TStopBits stopBits;
  TDataBits dataBits;
  TParityBits parity;
  char eventChar;
  bool discardNull, check, replace;
  char replaceChar;
  std::int32_t output, input, ri, rtc, rtm, wtc, wtm;
  TRTSFlowControl rts;
  TDTRFlowControl dtr;
  bool dsrSens, outCts, outDsr, txCont, xIn, xOut;
  char xoff, xon;
  bool operator==(const StoredValues&) const = default;
};

StoredValues ValuesOf(const TCustomComPort& p) {
  const TComFlowControl& f = p.FlowControl();
  const TComTimeouts& t = p.Timeouts();
  return {p.Port(), p.BaudRate(), p.CustomBaudRate(), p.StopBits(), p.DataBits(), p.Parity().Bits(),
          p.EventChar(), p.DiscardNull(), p.Parity().Check(), p.Parity().Replace(), p.Parity().ReplaceChar(),
          p.Buffer().OutputSize(), p.Buffer().InputSize(), t.ReadInterval(), t.ReadTotalConstant(),
          t.ReadTotalMultiplier(), t.WriteTotalConstant(), t.WriteTotalMultiplier(), f.ControlRTS(),
          f.ControlDTR(), f.DSRSensitivity(), f.OutCTSFlow(), f.OutDSRFlow(), f.TxContinueOnXoff(),
          f.XonXoffIn(), f.XonXoffOut(), f.XoffChar(), f.XonChar()};
}

class PortPersistenceTest : public ::testing::Test {
 protected:
  PortPersistenceTest() { port.setObjectName("ComPort1"); }

  // The registry stand-in with key "Software\Kestrova\ComPort1" open.
  TRegistry OpenRegistry() {
    TRegistry reg(dir / "r.reg");
    EXPECT_TRUE(reg.OpenKey("Software\\Kestrova\\ComPort1", true));
    return reg;
  }
  // The message of the ERegistryException that reading from reg raises, or "".
  std::string ReadError(TRegistry& reg) {
    try {
      port.ReadSettingsFromRegistry(reg);
    } catch (const ERegistryException& e) {
      return e.what();
    }
    return "";
  }

  TempFolder dir;
  TComPort port;
};

TEST_F(PortPersistenceTest, DefaultGroupWritesTheSixBasicValuesInOrder) {
  EXPECT_EQ(port.StoredGroups(), TSettingGroups{sgBasic});
  TIniFile ini(dir / "a.ini");
  port.WriteSettingsToIniFile(ini);
  EXPECT_EQ(FileText(dir / "a.ini"),
            "[ComPort1]\nPort=COM1\nBaudRate=9600\nStopBits=1\nDataBits=8\nParity=None\nFlowControl=None\n");

  port.SetBaudRate(TBaudRate::brCustom);
  TRegistry reg = OpenRegistry();
  port.WriteSettingsToRegistry(reg);
  EXPECT_EQ(FileText(dir / "r.reg"),
            "[Software\\Kestrova\\ComPort1]\n\"Port\"=sz:\"COM1\"\n\"BaudRate\"=sz:\"Custom\"\n"
            "\"CustomBaudRate\"=dword:00002580\n\"StopBits\"=sz:\"1\"\n\"DataBits\"=sz:\"8\"\n"
            "\"Parity\"=sz:\"None\"\n\"FlowControl\"=sz:\"None\"\n");
}

TEST_F(PortPersistenceTest, AllGroupsWriteTheTwentyNineKeysInStoredOrderAndForms) {
  SetEverything(port);
  port.SetStoredGroups(kAllGroups);
  TIniFile ini(dir / "a.ini");
  port.WriteSettingsToIniFile(ini);
  EXPECT_EQ(FileText(dir / "a.ini"), kEverythingIni);

  // The registry gets the same keys, the sizes and timeouts as integers, the rest as texts.
  TRegistry reg = OpenRegistry();
  port.WriteSettingsToRegistry(reg);
  const std::string text = FileText(dir / "r.reg");
  EXPECT_NE(text.find("\"CustomBaudRate\"=dword:0003d090\n\"StopBits\"=sz:\"1.5\"\n"), std::string::npos);
  EXPECT_NE(text.find("\"Buffer.OutputSize\"=dword:00000800\n\"Buffer.InputSize\"=dword:00001000\n"
                      "\"Timeouts.ReadInterval\"=dword:0000000a\n"),
            std::string::npos);
  EXPECT_NE(text.find("\"FlowControl.XoffChar\"=sz:\"#32\"\n\"FlowControl.XonChar\"=sz:\"A\"\n"), std::string::npos);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 30);  // the key line and 29 values
}

TEST_F(PortPersistenceTest, EmptySetWritesAndReadsNothing) {
  port.SetStoredGroups({});
  TIniFile ini(dir / "a.ini");
  port.WriteSettingsToIniFile(ini);
  EXPECT_FALSE(std::filesystem::exists(dir / "a.ini"));
  TRegistry reg = OpenRegistry();  // an empty key: any read would fail or change a setting
  port.WriteSettingsToRegistry(reg);
  port.ReadSettingsFromRegistry(reg);
  EXPECT_EQ(ValuesOf(port), ValuesOf(TComPort()));
}

TEST_F(PortPersistenceTest, WriteThenReadKeepsEverySelectedSetting) {
  SetEverything(port);
  const StoredValues written = ValuesOf(port);
  for (const TSettingGroups groups : {kAllGroups, TSettingGroups{sgBasic, sgMisc}, TSettingGroups{sgFlowControl}}) {
    port.SetStoredGroups(groups);
    TIniFile ini(dir / "a.ini");
    port.WriteSettingsToIniFile(ini);
    TRegistry reg = OpenRegistry();
    port.WriteSettingsToRegistry(reg);
    for (const bool fromRegistry : {false, true}) {
      TComPort fresh;
      fresh.setObjectName("ComPort1");
      fresh.SetStoredGroups(groups);
      fromRegistry ? fresh.ReadSettingsFromRegistry(reg) : fresh.ReadSettingsFromIniFile(ini);
      if (groups == kAllGroups) {
        EXPECT_EQ(ValuesOf(fresh), written) << "registry: " << fromRegistry;
      } else if (groups.Contains(sgBasic)) {
        EXPECT_EQ(fresh.Port(), "COM3");
        EXPECT_EQ(fresh.CustomBaudRate(), 250000);
        EXPECT_EQ(fresh.EventChar(), '\r');
        EXPECT_TRUE(fresh.DiscardNull());
        EXPECT_EQ(fresh.Buffer().InputSize(), 1024);  // not selected
      } else {
        EXPECT_EQ(fresh.FlowControl().ControlRTS(), TRTSFlowControl::rtsToggle);
        EXPECT_EQ(fresh.FlowControl().XoffChar(), ' ');
        EXPECT_EQ(fresh.Port(), "COM1");  // not selected
      }
    }
  }
}

TEST_F(PortPersistenceTest, IniReadOfAbsentKeysKeepsSettingsButGivesACustomRateOf9600) {
  SetEverything(port);
  port.SetStoredGroups(kAllGroups);
  StoredValues expected = ValuesOf(port);
  expected.customBaudRate = 9600;
  WriteFileText(dir / "a.ini", "[ComPort1]\n[Other]\nPort=COM9\n");
  TIniFile ini(dir / "a.ini");
  port.ReadSettingsFromIniFile(ini);
  EXPECT_EQ(ValuesOf(port), expected);

  // The same for a rate that was not custom before: "custom" in any case switches to it.
  TComPort other;
  other.setObjectName("ComPort1");
  other.SetCustomBaudRate(115200);
  WriteFileText(dir / "b.ini", "[comport1]\nbaudrate=cUsToM\n");
  TIniFile lower(dir / "b.ini");
  other.ReadSettingsFromIniFile(lower);
  EXPECT_EQ(other.BaudRate(), TBaudRate::brCustom);
  EXPECT_EQ(other.CustomBaudRate(), 9600);
}

TEST_F(PortPersistenceTest, IniDefaultsOfFlowKeysFollowThePresetReadBeforeThem) {
  port.SetStoredGroups({sgBasic, sgFlowControl});
  WriteFileText(dir / "a.ini", "[ComPort1]\nFlowControl=Hardware\nFlowControl.XonXoffIn=Yes\n");
  TIniFile ini(dir / "a.ini");
  port.ReadSettingsFromIniFile(ini);
  // The preset set RTS handshake and CTS flow; the single key then overrides one flag.
  EXPECT_EQ(port.FlowControl().ControlRTS(), TRTSFlowControl::rtsHandshake);
  EXPECT_TRUE(port.FlowControl().OutCTSFlow());
  EXPECT_TRUE(port.FlowControl().XonXoffIn());
  EXPECT_EQ(port.FlowControl().FlowControl(), TFlowControl::fcCustom);
}

TEST_F(PortPersistenceTest, TwoPortsShareOneIniFileBySection) {
  TComPort second;
  second.setObjectName("ComPort2");
  second.SetPort("COM5");
  TIniFile ini(dir / "a.ini");
  port.WriteSettingsToIniFile(ini);
  second.WriteSettingsToIniFile(ini);
  TComPort readBack;
  readBack.setObjectName("ComPort2");
  readBack.ReadSettingsFromIniFile(ini);
  EXPECT_EQ(readBack.Port(), "COM5");
  readBack.setObjectName("ComPort1");
  readBack.ReadSettingsFromIniFile(ini);
  EXPECT_EQ(readBack.Port(), "COM1");
}

TEST_F(PortPersistenceTest, StoredTextsConvertAsTheSettingsTextsSay) {
  port.SetStoredGroups({sgMisc});
  const struct {
    const char* eventChar;
    const char* discardNull;
    char expectedChar;
    bool expectedDiscard;
  } cases[] = {{"#13", "yes", '\r', true}, {"#x", "true", '\0', false}, {"A", "YES", 'A', true}, {"", "", '\0', false}};
  for (const auto& c : cases) {
    TRegistry reg = OpenRegistry();
    reg.WriteString("EventChar", c.eventChar);
    reg.WriteString("DiscardNull", c.discardNull);
    port.ReadSettingsFromRegistry(reg);
    EXPECT_EQ(port.EventChar(), c.expectedChar) << c.eventChar;
    EXPECT_EQ(port.DiscardNull(), c.expectedDiscard) << c.discardNull;
  }
}

TEST_F(PortPersistenceTest, RegistryKeyWithOnlyThePortGivesTheFallbacks) {
  port.SetBaudRate(TBaudRate::br4800);
  port.SetStopBits(TStopBits::sbTwoStopBits);
  port.SetDataBits(TDataBits::dbFive);
  port.Parity().SetBits(TParityBits::prEven);
  TRegistry reg = OpenRegistry();
  reg.WriteString("Port", "com7");
  port.ReadSettingsFromRegistry(reg);
  EXPECT_EQ(port.Port(), "COM7");
  EXPECT_EQ(port.BaudRate(), TBaudRate::br9600);
  EXPECT_EQ(port.StopBits(), TStopBits::sbOneStopBit);
  EXPECT_EQ(port.DataBits(), TDataBits::dbEight);
  EXPECT_EQ(port.Parity().Bits(), TParityBits::prNone);
  // The empty preset text reads as Custom, which leaves the flags as they were (none).
  EXPECT_EQ(port.FlowControl().FlowControl(), TFlowControl::fcNone);
}

TEST_F(PortPersistenceTest, RegistryReadStopsAtAMissingIntegerWithEarlierKeysApplied) {
  port.SetStoredGroups({sgBuffer});
  TRegistry reg = OpenRegistry();
  reg.WriteInteger("Buffer.OutputSize", 512);
  EXPECT_EQ(ReadError(reg), "Failed to get data for 'Buffer.InputSize'");
  EXPECT_EQ(port.Buffer().OutputSize(), 512);
  EXPECT_EQ(port.Buffer().InputSize(), 1024);

  port.SetStoredGroups({sgBasic});
  reg.WriteString("Port", "COM2");
  reg.WriteString("BaudRate", "Custom");
  reg.WriteString("StopBits", "2");
  EXPECT_EQ(ReadError(reg), "Failed to get data for 'CustomBaudRate'");
  EXPECT_EQ(port.Port(), "COM2");
  EXPECT_EQ(port.BaudRate(), TBaudRate::brCustom);
  EXPECT_EQ(port.StopBits(), TStopBits::sbOneStopBit);  // not reached

  reg.WriteString("CustomBaudRate", "9600");
  EXPECT_EQ(ReadError(reg), "Invalid data type for 'CustomBaudRate'");
  reg.WriteInteger("Port", 2);
  EXPECT_EQ(ReadError(reg), "Invalid data type for 'Port'");
}

TEST_F(PortPersistenceTest, RegistryWriteFailureStopsTheWalk) {
  TRegistry reg(dir / "r.reg");  // no key open
  try {
    port.WriteSettingsToRegistry(reg);
    FAIL() << "write succeeded";
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.what(), "Failed to set data for 'Port'");
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "r.reg"));
}

class ConnectedPortPersistenceTest : public FakePortTest {
 protected:
  TempFolder dir;
};

TEST_F(ConnectedPortPersistenceTest, EachValueReadReachesTheOpenDeviceAtOnce) {
  port.setObjectName("ComPort1");
  port.SetConnected(true);
  script.ClearRecords();
  WriteFileText(dir / "a.ini", "[ComPort1]\nBaudRate=4800\nStopBits=2\nDataBits=7\n");
  TIniFile ini(dir / "a.ini");
  port.ReadSettingsFromIniFile(ini);
  const auto states = RecordsOf(DeviceCall::SetState);
  ASSERT_EQ(states.size(), 4u);  // three changes, and the preset (None read back) applies once
  EXPECT_EQ(states[0].state.BaudRate, 4800u);
  EXPECT_EQ(states[3].state.ByteSize, 7);
}

}  // namespace
}  // namespace kestrova
