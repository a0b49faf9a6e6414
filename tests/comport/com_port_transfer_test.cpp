// Transfers and device status through the fake device: the error-flag and modem-bit tables,
// AwaitTransfer, the failure codes and the failed close.
#include "fake_port_fixture.h"
#include "raised_error.h"

#include "comport/com_error.h"
#include "comport/com_thread.h"

#include <cerrno>
#include <string>

namespace kestrova {
namespace {

using enum DeviceCall;

TEST_F(FakePortTest, ReadLineErrorsMapsTheErrorFlags) {
  using enum TComError;
  struct Case {
    std::uint32_t flags;
    bool check;
    TComErrors expected;
  } cases[] = {
      {CE_RXPARITY, false, {}},
      {CE_RXPARITY, true, {ceRxParity}},
      {CE_FRAME | CE_OVERRUN | CE_RXOVER, false, {ceFrame, ceOverrun, ceRxOver}},
      {CE_TXFULL | CE_BREAK | CE_IOE | CE_MODE, false, {ceTxFull, ceBreak, ceIO, ceMode}},
      {0x7FFF & ~(CE_FRAME | CE_RXPARITY | CE_OVERRUN | CE_RXOVER | CE_TXFULL | CE_BREAK | CE_IOE), true, {}},
      {0xFFFF, true, {ceFrame, ceRxParity, ceOverrun, ceBreak, ceIO, ceMode, ceRxOver, ceTxFull}},
  };
  port.SetConnected(true);
  for (const Case& c : cases) {
    port.Parity().SetCheck(c.check);
    script.SetErrorFlags(c.flags);
    EXPECT_EQ(port.ReadLineErrors(), c.expected) << std::hex << c.flags << " check " << c.check;
    EXPECT_EQ(port.ReadLineErrors(), TComErrors{}) << "the flags were reset by the first look";
  }
}

TEST_F(FakePortTest, ModemLinesMapsTheStatusBits) {
  using enum TModemLine;
  struct Case {
    std::uint32_t status;
    TModemLines expected;
  } cases[] = {
      {0x30, {mlCTS, mlDSR}}, {0x40, {mlRing}}, {0x80, {mlRLSD}}, {0xF0, {mlCTS, mlDSR, mlRing, mlRLSD}}, {0x0F, {}},
  };
  port.SetConnected(true);
  for (const Case& c : cases) {
    script.SetModemStatus(c.status);
    EXPECT_EQ(port.ModemLines(), c.expected) << std::hex << c.status;
  }
}

TEST_F(FakePortTest, StatusFailuresAreCodesTenAndEleven) {
  port.SetConnected(true);
  script.Fail(ClearCommError, EIO);
  for (auto call : {+[](TCustomComPort& p) { p.InQueueCount(); }, +[](TCustomComPort& p) { p.ReadLineErrors(); }}) {
    EComPort e = Raised([&] { call(port); });
    EXPECT_EQ(e.ErrorCode(), errClearErrorFailed);
    EXPECT_EQ(e.SystemErrorCode(), EIO);
  }
  script.Fail(GetModemStatus, ENXIO);
  EComPort e = Raised([&] { port.ModemLines(); });
  EXPECT_EQ(e.ErrorCode(), errModemStatusFailed);
  EXPECT_EQ(e.SystemErrorCode(), ENXIO);
}

TEST_F(FakePortTest, SendTextWritesTheBytesAndSignalsTransmitOn) {
  std::vector<bool> transmit;
  TPortObserver observer;
  observer.Transmit = [&](TCustomComPort*, bool on) { transmit.push_back(on); };
  port.AddObserver(&observer);
  port.SetConnected(true);
  script.ClearRecords();
  EXPECT_EQ(port.SendText("7.5\r"), 4);
  EXPECT_EQ(script.Calls(), (std::vector<DeviceCall>{StartWrite, AwaitTransfer}));
  EXPECT_EQ(RecordsOf(StartWrite).at(0).data, "7.5\r");
  EXPECT_EQ(transmit, std::vector<bool>{true});

  // A start that fails signals nothing; a transfer that fails raises the code of its kind.
  script.Fail(StartWrite, EIO);
  EXPECT_EQ(Raised([&] { port.SendText("x"); }).ErrorCode(), errWriteFailed);
  EXPECT_EQ(transmit.size(), 1u);
  script.Fail(AwaitTransfer, ETIMEDOUT);
  EComPort e = Raised([&] { port.SendText("x"); });
  EXPECT_EQ(e.ErrorCode(), errWriteFailed);
  EXPECT_EQ(e.SystemErrorCode(), ETIMEDOUT);
  script.ClearFailure();
  port.RemoveObserver(&observer);
}

TEST_F(FakePortTest, AwaitTransferWithoutARecordIsCodeFour) {
  port.SetConnected(true);
  EComPort e = Raised([&] { port.AwaitTransfer(nullptr); });
  EXPECT_EQ(e.ErrorCode(), errInvalidTransfer);
  EXPECT_EQ(e.SystemErrorCode(), -1);
  EXPECT_STREQ(e.what(), "Invalid Async parameter");
}

TEST_F(FakePortTest, AwaitingAReadSignalsReceiveOffBeforeItReturnsOrRaises) {
  std::vector<std::string> log;
  TPortObserver observer;
  observer.Receive = [&](TCustomComPort*, bool on) { log.push_back(on ? "rx on" : "rx off"); };
  port.AddObserver(&observer);
  port.SetConnected(true);
  char buffer[8];

  script.AddInput("abc");
  EXPECT_EQ(port.ReceiveBuffer(buffer, 2), 2);
  EXPECT_TRUE(log.empty()) << "a byte is still waiting";
  EXPECT_EQ(port.ReceiveBuffer(buffer, 8), 1);
  EXPECT_EQ(log, std::vector<std::string>{"rx off"});

  log.clear();
  script.Fail(AwaitTransfer, EIO);
  try {
    port.ReceiveBuffer(buffer, 8);
    ADD_FAILURE() << "no error";
  } catch (const EComPort& e) {
    EXPECT_EQ(e.ErrorCode(), errReadFailed);
    EXPECT_EQ(e.SystemErrorCode(), EIO);
    EXPECT_EQ(log, std::vector<std::string>{"rx off"}) << "signalled before the raise";
  }
  script.ClearFailure();
  port.RemoveObserver(&observer);
}

TEST_F(FakePortTest, FailedCancelStopsTheCloseAndLeavesEverythingOpen) {
  std::vector<std::string> log;
  port.OnBeforeClose = [&](TCustomComPort*) { log.push_back("BeforeClose"); };
  port.OnAfterClose = [&](TCustomComPort*) { log.push_back("AfterClose"); };
  port.OnCTSChange = [&](TCustomComPort*, bool on) { log.push_back(on ? "CTS on" : "CTS off"); };
  port.SetEvents(kAllComEvents);
  port.SetSyncMethod(TSyncMethod::smWindowSync);
  port.SetConnected(true);
  ASSERT_TRUE(port.EventThreadActive());
  log.clear();
  script.Fail(Purge, EIO);
  EComPort e = Raised([&] { port.SetConnected(false); });
  EXPECT_EQ(e.ErrorCode(), errPurgeFailed);
  EXPECT_EQ(e.SystemErrorCode(), EIO);
  EXPECT_STREQ(e.what(), "PurgeComm function failed (win error code: 5)");
  EXPECT_EQ(log, (std::vector<std::string>{"BeforeClose", "CTS off"}));
  EXPECT_TRUE(port.Connected());
  EXPECT_NE(port.Device(), nullptr);
  EXPECT_EQ(script.OpenCount(), 1);
  EXPECT_TRUE(port.EventThreadActive());
  EXPECT_NE(port.EventThread(), nullptr);
  EXPECT_NE(port.NotifyWindow(), nullptr);

  script.ClearFailure();
  port.SetConnected(false);
  EXPECT_FALSE(port.Connected());
  EXPECT_FALSE(port.EventThreadActive());
  EXPECT_EQ(port.NotifyWindow(), nullptr);
  EXPECT_EQ(script.OpenCount(), 0);
  EXPECT_EQ(log.back(), "AfterClose");
}

}  // namespace
}  // namespace kestrova
