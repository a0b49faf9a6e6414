// The port's life cycle on a fake device: connection switch, open and close sequences, the
// settings change bracket, loading, and every failure with the state it leaves.
#include "fake_port_fixture.h"

#include "comport/com_error.h"

#include <cerrno>
#include <memory>
#include <string>

namespace kestrova {
namespace {

using enum DeviceCall;

// Records every handler and observer call of a port as text, in order.
// Detaches itself from the port when it goes, so the port may outlive it.
class EventLog {
 public:
  explicit EventLog(TCustomComPort& port) : port_(port) {
    auto note = [this](std::string what) { return [this, what](TCustomComPort*) { lines.push_back(what); }; };
    auto line = [this](std::string what) {
      return [this, what](TCustomComPort*, bool on) { lines.push_back(what + (on ? " on" : " off")); };
    };
    port.OnBeforeOpen = note("BeforeOpen");
    port.OnAfterOpen = note("AfterOpen");
    port.OnBeforeClose = note("BeforeClose");
    port.OnAfterClose = note("AfterClose");
    port.OnCTSChange = line("CTS");
    port.OnDSRChange = line("DSR");
    port.OnRLSDChange = line("RLSD");
    observer.CTS = line("observer CTS");
    observer.DSR = line("observer DSR");
    observer.RLSD = line("observer RLSD");
    port.AddObserver(&observer);
  }
  ~EventLog() {
    port_.OnBeforeOpen = port_.OnAfterOpen = port_.OnBeforeClose = port_.OnAfterClose = nullptr;
    port_.OnCTSChange = port_.OnDSRChange = port_.OnRLSDChange = nullptr;
    port_.RemoveObserver(&observer);
  }
  std::vector<std::string> lines;
  TPortObserver observer;

 private:
  TCustomComPort& port_;
};

std::vector<std::string> OpenLog(const char* cts, const char* dsr, const char* rlsd) {
  auto s = [](const char* name, const char* on) { return std::string(name) + " " + on; };
  return {"BeforeOpen",           "AfterOpen",   s("observer CTS", cts),  s("CTS", cts), s("observer DSR", dsr),
          s("DSR", dsr),          s("observer RLSD", rlsd), s("RLSD", rlsd)};
}

const std::vector<std::string> kCloseLog = {"BeforeClose", "observer CTS off", "observer DSR off", "observer RLSD off",
                                            "CTS off",     "DSR off",          "RLSD off",         "AfterClose"};

TEST_F(FakePortTest, OpenAndCloseFireTheirHandlersInOrder) {
  EventLog log(port);
  script.SetModemStatus(kModemCtsOn | kModemRlsdOn | kModemRingOn);
  port.SetConnected(true);
  EXPECT_EQ(log.lines, OpenLog("on", "off", "on"));
  EXPECT_TRUE(port.Connected());
  EXPECT_EQ(script.OpenCount(), 1);
  EXPECT_EQ(port.ModemLines(), (TModemLines{TModemLine::mlCTS, TModemLine::mlRLSD, TModemLine::mlRing}));

  log.lines.clear();
  port.SetConnected(false);
  EXPECT_EQ(log.lines, kCloseLog);
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(script.OpenCount(), 0);
  EXPECT_EQ(script.Calls().back(), Close);
  EXPECT_EQ(port.Device(), nullptr);
}

TEST_F(FakePortTest, SwitchingToTheCurrentStateDoesNothing) {
  EventLog log(port);
  port.SetConnected(false);
  port.ClosePort();
  EXPECT_TRUE(log.lines.empty());
  EXPECT_TRUE(script.Records().empty());
  port.SetConnected(true);
  port.SetConnected(true);
  port.OpenPort();
  EXPECT_EQ(script.Calls(), OpenCalls());
  EXPECT_EQ(log.lines.size(), 8u);
}

TEST_F(FakePortTest, ObserverRegistrationFailuresAreCode18) {
  TPortObserver a;
  port.AddObserver(&a);
  for (auto attempt : {std::function<void()>([&] { port.AddObserver(&a); }),
                       std::function<void()>([&] { port.AddObserver(nullptr); }),
                       std::function<void()>([&] {
                         port.RemoveObserver(&a);
                         port.RemoveObserver(&a);
                       })}) {
    try {
      attempt();
      ADD_FAILURE() << "no error";
    } catch (const EComPort& e) {
      EXPECT_EQ(e.ErrorCode(), errObserverRegistration);
      EXPECT_EQ(e.SystemErrorCode(), -1);
    }
  }
}

TEST_F(FakePortTest, BracketHoldsBackEveryApplyUntilTheOutermostEnd) {
  port.SetConnected(true);
  script.ClearRecords();
  port.EndSettingsChange();  // unmatched: ignored, applies nothing
  port.BeginSettingsChange();
  port.BeginSettingsChange();
  port.SetBaudRate(TBaudRate::br115200);
  port.Parity().SetBits(TParityBits::prEven);
  port.Timeouts().SetReadInterval(10);
  port.Buffer().SetOutputSize(512);
  port.FlowControl().SetFlowControl(TFlowControl::fcHardware);
  port.EndSettingsChange();
  EXPECT_TRUE(script.Records().empty());
  port.EndSettingsChange();
  ASSERT_EQ(script.Calls(), (std::vector<DeviceCall>{SetupQueues, SetState, SetTimeouts}));
  EXPECT_EQ(script.Records()[0].queues, (QueueSizes{1024, 512}));
  EXPECT_EQ(script.Records()[1].state.BaudRate, 115200u);
  EXPECT_EQ(script.Records()[1].state.Parity, kEvenParity);
  EXPECT_EQ(script.Records()[1].state.fRtsControl, kRtsControlHandshake);
  EXPECT_EQ(script.Records()[2].timeouts.ReadIntervalTimeout, 10u);
  script.ClearRecords();
  port.EndSettingsChange();
  port.SetBaudRate(TBaudRate::br300);  // the depth did not go below 0
  EXPECT_EQ(script.Calls(), (std::vector<DeviceCall>{SetState}));
}

TEST_F(FakePortTest, PortOpenedInsideABracketIsConfiguredAtItsEnd) {
  port.BeginSettingsChange();
  port.SetConnected(true);
  std::vector<DeviceCall> openOnly = OpenCalls();
  openOnly.erase(openOnly.begin() + 1, openOnly.begin() + 4);
  EXPECT_EQ(script.Calls(), openOnly);
  script.ClearRecords();
  port.EndSettingsChange();
  EXPECT_EQ(script.Calls(), (std::vector<DeviceCall>{SetupQueues, SetState, SetTimeouts}));
  EXPECT_EQ(script.Records()[1].state, NewPortBlock());
}

TEST_F(FakePortTest, PortNameChangeMovesAnOpenPort) {
  port.SetConnected(true);
  script.ClearRecords();
  port.SetPort("com2");
  EXPECT_EQ(port.Port(), "COM2");
  std::vector<DeviceCall> reopen = OpenCalls();
  reopen.insert(reopen.begin(), {Purge, Close});
  EXPECT_EQ(script.Calls(), reopen);
  EXPECT_EQ(RecordsOf(Open).at(0).path, "/dev/ttyS1");
  script.ClearRecords();
  port.SetPort("com2");
  port.SetPort("2");
  EXPECT_TRUE(script.Records().empty());
  port.SetPort("LPT9");
  EXPECT_EQ(port.Port(), "COM1");
  EXPECT_EQ(RecordsOf(Open).at(0).path, "/dev/ttyS0");
}

TEST_F(FakePortTest, OpenFailureLeavesThePortClosedAfterBeforeOpen) {
  EventLog log(port);
  script.Fail(Open, ENOENT);
  try {
    port.SetConnected(true);
    ADD_FAILURE() << "no error";
  } catch (const EComPort& e) {
    EXPECT_EQ(e.ErrorCode(), errOpenFailed);
    EXPECT_EQ(e.SystemErrorCode(), ENOENT);
    EXPECT_STREQ(e.what(), "Unable to open com port (win error code: 2)");
  }
  EXPECT_EQ(log.lines, std::vector<std::string>{"BeforeOpen"});
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(port.Device(), nullptr);
  EXPECT_EQ(script.Calls(), std::vector<DeviceCall>{Open});
}

TEST_F(FakePortTest, ApplyFailureDuringOpenClosesTheDeviceAgain) {
  struct Case {
    DeviceCall call;
    std::int32_t code;
    std::size_t callsBeforeClose;
  } cases[] = {{SetupQueues, errSetupFailed, 2}, {SetState, errSetStateFailed, 3}, {SetTimeouts, errSetTimeoutsFailed, 4}};
  EventLog log(port);
  for (const Case& c : cases) {
    script.ClearRecords();
    log.lines.clear();
    script.Fail(c.call, EINVAL);
    try {
      port.SetConnected(true);
      ADD_FAILURE() << "no error";
    } catch (const EComPort& e) {
      EXPECT_EQ(e.ErrorCode(), c.code);
      EXPECT_EQ(e.SystemErrorCode(), EINVAL);
    }
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.Device(), nullptr);
    EXPECT_EQ(script.OpenCount(), 0);
    ASSERT_EQ(script.Calls().size(), c.callsBeforeClose + 1);
    EXPECT_EQ(script.Calls().back(), Close);
    EXPECT_EQ(log.lines, std::vector<std::string>{"BeforeOpen"});
  }
  script.ClearFailure();
  port.SetConnected(true);
  EXPECT_TRUE(port.Connected());
}

TEST_F(FakePortTest, ModemStatusFailureAfterOpenLeavesThePortConnected) {
  EventLog log(port);
  script.Fail(GetModemStatus, EIO);
  try {
    port.SetConnected(true);
    ADD_FAILURE() << "no error";
  } catch (const EComPort& e) {
    EXPECT_EQ(e.ErrorCode(), errModemStatusFailed);
    EXPECT_EQ(e.SystemErrorCode(), EIO);
  }
  EXPECT_EQ(log.lines, (std::vector<std::string>{"BeforeOpen", "AfterOpen"}));
  EXPECT_TRUE(port.Connected());
  EXPECT_EQ(script.OpenCount(), 1);
}

TEST_F(FakePortTest, SetterApplyFailureKeepsTheNewValue) {
  port.SetConnected(true);
  script.Fail(SetState, EINVAL);
  try {
    port.SetBaudRate(TBaudRate::br128000);
    ADD_FAILURE() << "no error";
  } catch (const EComPort& e) {
    EXPECT_EQ(e.ErrorCode(), errSetStateFailed);
  }
  EXPECT_EQ(port.BaudRate(), TBaudRate::br128000);
  EXPECT_TRUE(port.Connected());
  script.Fail(SetTimeouts, EINVAL);
  EXPECT_THROW(port.Timeouts().SetReadInterval(0), EComPort);
  EXPECT_EQ(port.Timeouts().ReadInterval(), 0);
  script.Fail(SetupQueues, EINVAL);
  EXPECT_THROW(port.Buffer().SetInputSize(99), EComPort);
  EXPECT_EQ(port.Buffer().InputSize(), 98);
}

TEST_F(FakePortTest, SyncMethodIsRefusedOnlyWhileConnected) {
  port.SetSyncMethod(TSyncMethod::smNone);
  EXPECT_EQ(port.SyncMethod(), TSyncMethod::smNone);
  port.SetConnected(true);
  port.SetSyncMethod(TSyncMethod::smNone);  // equal: no error
  try {
    port.SetSyncMethod(TSyncMethod::smWindowSync);
    ADD_FAILURE() << "no error";
  } catch (const EComPort& e) {
    EXPECT_EQ(e.ErrorCode(), errSyncMethodConnected);
    EXPECT_EQ(e.SystemErrorCode(), -1);
    EXPECT_STREQ(e.what(), "Cannot set SyncMethod while connected");
  }
  EXPECT_EQ(port.SyncMethod(), TSyncMethod::smNone);
}

TEST_F(FakePortTest, LoadingRecordsEverythingAndOpensAfterLoad) {
  EventLog log(port);
  port.BeginLoading();
  port.SetConnected(true);
  port.SetBaudRate(TBaudRate::br4800);
  port.SetPort("COM5");
  port.SetSyncMethod(TSyncMethod::smWindowSync);
  port.Buffer().SetInputSize(64);
  EXPECT_TRUE(port.Connected()) << "recorded";
  EXPECT_TRUE(script.Records().empty());
  EXPECT_TRUE(log.lines.empty());
  port.Loaded();
  EXPECT_FALSE(port.Loading());
  EXPECT_TRUE(port.Connected());
  ASSERT_EQ(script.Calls(), OpenCalls());
  EXPECT_EQ(script.Records()[0].path, "/dev/ttyS4");
  EXPECT_EQ(script.Records()[2].state.BaudRate, 4800u);
  EXPECT_EQ(script.Records()[2].state.XonLim, 16);
  EXPECT_EQ(log.lines, OpenLog("off", "off", "off"));
}

TEST_F(FakePortTest, FailedOpenAfterLoadIsShownAndLeavesThePortClosed) {
  std::vector<std::string> shown;
  port.SetShowException([&](const std::exception& e) { shown.push_back(e.what()); });
  script.Fail(Open, EACCES);
  port.BeginLoading();
  port.SetConnected(true);
  port.Loaded();
  EXPECT_EQ(shown, std::vector<std::string>{"Unable to open com port (win error code: 13)"});
  EXPECT_FALSE(port.Connected());

  // Without Connected recorded, Loaded opens nothing.
  shown.clear();
  script.ClearRecords();
  port.BeginLoading();
  port.Loaded();
  EXPECT_TRUE(shown.empty());
  EXPECT_TRUE(script.Records().empty());
}

TEST(ComPortLifetimeTest, DestroyingAConnectedPortClosesIt) {
  FakeDeviceScript script;
  std::vector<std::string> events;
  {
    QObject owner;
    auto* port = new TComPort(&owner);
    port->SetDeviceFactory(script.Factory());
    port->OnAfterClose = [&](TCustomComPort*) { events.push_back("AfterClose"); };
    port->SetConnected(true);
    EXPECT_EQ(script.OpenCount(), 1);
  }
  EXPECT_EQ(script.OpenCount(), 0);
  EXPECT_EQ(events, std::vector<std::string>{"AfterClose"});
}

TEST(ComPortLifetimeTest, FailingCloseDuringDestructionStillReleasesTheDevice) {
  FakeDeviceScript script;
  {
    TComPort port;
    port.SetDeviceFactory(script.Factory());
    port.SetConnected(true);
    port.OnBeforeClose = [](TCustomComPort*) { throw std::runtime_error("handler failed"); };
  }
  EXPECT_EQ(script.OpenCount(), 0);
  EXPECT_EQ(script.Calls().back(), Close);
}

}  // namespace
}  // namespace kestrova
