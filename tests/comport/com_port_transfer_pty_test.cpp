// Data transfer through the port on real pseudo-terminals: writes, reads, timeouts, cancel and
// hangup.
#include "pty_port_fixture.h"
#include "raised_error.h"

#include "comport/com_error.h"
#include "comport/com_port.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

namespace kestrova {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Opens COM3 as the main window does: all ten events, processed on the event thread.
void OpenLikeTheWindow(TComPort& port) {
  port.SetPort("COM3");
  port.SetSyncMethod(TSyncMethod::smNone);
  port.SetConnected(true);
}

std::int64_t MillisSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

TEST_F(PortOnPseudoTerminal, SendTextDeliversExactlyTheBytes) {
  TComPort port;
  OpenLikeTheWindow(port);
  const std::string reading = "-1 234.50\r";
  EXPECT_EQ(port.SendText(reading), static_cast<std::int32_t>(reading.size()));
  EXPECT_EQ(PeerRead(reading.size() + 1, 200), reading) << "nothing more, nothing less";

  const std::string binary("\x00\xff\x11\x13\x7f\r", 6);
  EXPECT_EQ(port.SendText(binary), 6);
  EXPECT_EQ(PeerRead(7, 200), binary);

  EXPECT_EQ(port.SendText(""), 0);
  EXPECT_EQ(PeerRead(1, 100), "");
  port.SetConnected(false);
}

TEST_F(PortOnPseudoTerminal, TransfersOnAClosedPortFailWithTheirCodes) {
  TComPort port;
  port.SetPort("COM3");
  EXPECT_EQ(Raised([&] { port.SendText("x"); }).ErrorCode(), errWriteFailed);
  char byte;
  EXPECT_EQ(Raised([&] { port.ReceiveBuffer(&byte, 1); }).ErrorCode(), errReadFailed);
  EXPECT_EQ(Raised([&] { port.AwaitTransfer(nullptr); }).SystemErrorCode(), -1);
}

TEST_F(PortOnPseudoTerminal, ReadsFollowTheTimeouts) {
  struct Case {
    const char* name;
    std::int32_t interval, multiplier, constant;
    std::int64_t minMs;  // a generous lower bound of how long an empty read waits
  } cases[] = {
      {"MAXDWORD interval, no totals: at once", -1, 0, 0, 0},
      {"total constant", 0, 0, 150, 120},
      {"total multiplier", 0, 30, 0, 90},  // 4 bytes asked
      {"first byte within the constant", -1, -1, 150, 120},
  };
  TComPort port;
  OpenLikeTheWindow(port);
  char buffer[4];
  for (const Case& c : cases) {
    port.Timeouts().SetReadInterval(c.interval);
    port.Timeouts().SetReadTotalMultiplier(c.multiplier);
    port.Timeouts().SetReadTotalConstant(c.constant);
    auto start = Clock::now();
    EXPECT_EQ(port.ReceiveBuffer(buffer, 4), 0) << c.name;
    EXPECT_GE(MillisSince(start), c.minMs) << c.name;
    EXPECT_LT(MillisSince(start), 2000) << c.name;
  }
  // Returning with the first bytes: what arrives during the read ends it.
  std::thread peer([&] {
    std::this_thread::sleep_for(50ms);
    PeerWrite("ab");
  });
  port.Timeouts().SetReadTotalConstant(5000);
  auto start = Clock::now();
  EXPECT_EQ(port.ReceiveBuffer(buffer, 4), 2);
  EXPECT_LT(MillisSince(start), 2000);
  EXPECT_EQ(std::string(buffer, 2), "ab");
  peer.join();
}

// The peer holds our output with XOFF: a write cannot leave the port.
class HeldOutput : public PortOnPseudoTerminal {
 protected:
  void Open(std::int32_t constant, std::int32_t multiplier) {
    port.FlowControl().SetFlowControl(TFlowControl::fcSoftware);
    port.Timeouts().SetWriteTotalConstant(constant);
    port.Timeouts().SetWriteTotalMultiplier(multiplier);
    OpenLikeTheWindow(port);
    PeerWrite("\x13");
    std::this_thread::sleep_for(50ms);  // the line discipline takes the XOFF asynchronously
  }
  // Twenty bytes, so that the multiplier counts in the write timeout.
  const std::string text = std::string(20, 'x');
  TComPort port;
};

TEST_F(HeldOutput, WriteThatTimesOutReturnsTheCountThatLeft) {
  Open(300, 10);  // 300 + 10 * 20 = 500 ms
  auto start = Clock::now();
  EXPECT_EQ(port.SendText(text), 0) << "nothing could leave";
  EXPECT_GE(MillisSince(start), 450);
  EXPECT_LT(MillisSince(start), 5000);
  // XON lets the port talk again; nothing of the timed-out text follows.
  PeerWrite("\x11");
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(port.SendText("ok"), 2);
  EXPECT_EQ(PeerRead(3, 300), "ok");
  port.SetConnected(false);
  EXPECT_FALSE(port.Connected());
}

TEST_F(PortOnPseudoTerminal, WriteThatTimesOutWithPartOfItsBytesGoneReturnsTheirCount) {
  TComPort port;
  port.Timeouts().SetWriteTotalConstant(300);
  port.Timeouts().SetWriteTotalMultiplier(0);
  OpenLikeTheWindow(port);
  // The peer reads nothing until the write has timed out: the terminal takes only a part.
  std::string text(1 << 20, '\0');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 23);
  const std::int32_t sent = port.SendText(text);
  EXPECT_GT(sent, 0);
  EXPECT_LT(sent, static_cast<std::int32_t>(text.size()));
  EXPECT_EQ(PeerRead(text.size(), 1000), text.substr(0, static_cast<std::size_t>(sent)))
      << "exactly the counted bytes arrive";
  port.SetConnected(false);
}

TEST_F(HeldOutput, CancelFromAnotherThreadEndsAPendingWrite) {
  Open(60000, 0);
  TPortTransfer* transfer = nullptr;
  TCustomComPort::NewTransfer(transfer);
  EXPECT_EQ(port.SendTextAsync(text, transfer), 0) << "pending";
  EXPECT_FALSE(transfer->Overlapped.Event.IsSet());
  std::thread canceller([&] {
    std::this_thread::sleep_for(100ms);
    port.CancelTransfers();
  });
  auto start = Clock::now();
  EComPort e = Raised([&] { port.AwaitTransfer(transfer); });
  EXPECT_EQ(e.ErrorCode(), errWriteFailed);
  EXPECT_EQ(e.SystemErrorCode(), ECANCELED);
  EXPECT_LT(MillisSince(start), 5000);
  EXPECT_TRUE(transfer->Overlapped.Event.IsSet());
  canceller.join();
  TCustomComPort::DisposeTransfer(transfer);
  EXPECT_EQ(transfer, nullptr);
  port.SetConnected(false);
}

TEST_F(HeldOutput, HangupDuringAWriteFailsItAndEveryLaterTransfer) {
  Open(60000, 0);
  std::thread peer([&] {
    std::this_thread::sleep_for(100ms);
    ClosePeer();
  });
  auto start = Clock::now();
  EComPort e = Raised([&] { port.SendText(text); });
  peer.join();
  EXPECT_EQ(e.ErrorCode(), errWriteFailed);
  EXPECT_EQ(e.SystemErrorCode(), EIO);
  EXPECT_LT(MillisSince(start), 5000);
  EXPECT_EQ(Raised([&] { port.SendText("x"); }).SystemErrorCode(), EIO);
  char byte;
  EXPECT_EQ(Raised([&] { port.ReceiveBuffer(&byte, 1); }).ErrorCode(), errReadFailed);
  EXPECT_EQ(port.ReadLineErrors(), TComErrors{TComError::ceIO});
  start = Clock::now();
  port.SetConnected(false);
  EXPECT_FALSE(port.Connected());
  EXPECT_LT(MillisSince(start), 1000);
}

// Waits for a transfer's event without awaiting the transfer.
bool EventSetWithin(const TPortTransfer* transfer, int timeoutMs) {
  return transfer->Overlapped.Event.Wait(timeoutMs);
}

TEST_F(PortOnPseudoTerminal, StartedTransfersMoveAndEndWithoutAnAwait) {
  TComPort port;
  OpenLikeTheWindow(port);
  // A large write moves while the caller does something else, as far as a reading peer allows.
  std::string text(1 << 20, '\0');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>(i * 7);
  std::string received;
  std::thread peer([&] { received = PeerRead(text.size(), 20000); });
  TPortTransfer* write = nullptr;
  TCustomComPort::NewTransfer(write);
  EXPECT_EQ(port.SendTextAsync(text, write), 0) << "pending";
  EXPECT_TRUE(EventSetWithin(write, 20000));
  peer.join();
  EXPECT_TRUE(received == text) << received.size() << " bytes arrived";
  EXPECT_EQ(port.AwaitTransfer(write), static_cast<std::int32_t>(text.size()));

  // A pending read ends when its bytes arrive, long before its timeout.
  port.Timeouts().SetReadInterval(0);
  port.Timeouts().SetReadTotalConstant(60000);
  char buffer[4];
  TPortTransfer* read = nullptr;
  TCustomComPort::NewTransfer(read);
  EXPECT_EQ(port.ReceiveBufferAsync(buffer, 4, read), 0) << "pending";
  EXPECT_FALSE(read->Overlapped.Event.IsSet());
  PeerWrite("abcd");
  EXPECT_TRUE(EventSetWithin(read, 5000));
  EXPECT_EQ(port.AwaitTransfer(read), 4);
  EXPECT_EQ(std::string(buffer, 4), "abcd");

  // A read whose total timeout passes ends by itself too, with what it has.
  port.Timeouts().SetReadTotalConstant(200);
  auto start = Clock::now();
  EXPECT_EQ(port.ReceiveBufferAsync(buffer, 4, read), 0);
  EXPECT_TRUE(EventSetWithin(read, 5000));
  EXPECT_GE(MillisSince(start), 150);
  EXPECT_EQ(port.AwaitTransfer(read), 0);
  TCustomComPort::DisposeTransfer(read);
  TCustomComPort::DisposeTransfer(write);
  port.SetConnected(false);
}

TEST_F(PortOnPseudoTerminal, BytesReceivedBeforeAHangupCanStillBeRead) {
  TComPort port;
  std::atomic<std::int32_t> seen = 0;
  port.OnRxChar = [&](TCustomComPort*, std::int32_t count) { seen = count; };
  OpenLikeTheWindow(port);
  PeerWrite("0123456789");
  auto deadline = Clock::now() + 3s;
  while (seen != 10 && Clock::now() < deadline) std::this_thread::sleep_for(1ms);
  ASSERT_EQ(seen, 10) << "the bytes are in the port's input queue";
  ClosePeer();
  deadline = Clock::now() + 3s;
  while (!port.Device()->Gone() && Clock::now() < deadline) std::this_thread::sleep_for(1ms);
  ASSERT_TRUE(port.Device()->Gone());
  EXPECT_EQ(port.InQueueCount(), 10);
  char buffer[64];
  EXPECT_EQ(port.ReceiveBuffer(buffer, sizeof buffer), 10);
  EXPECT_EQ(std::string(buffer, 10), "0123456789");
  EComPort e = Raised([&] { port.ReceiveBuffer(buffer, sizeof buffer); });
  EXPECT_EQ(e.ErrorCode(), errReadFailed) << "only once the queue is empty";
  EXPECT_EQ(e.SystemErrorCode(), EIO);
  port.SetConnected(false);
}

}  // namespace
}  // namespace kestrova
