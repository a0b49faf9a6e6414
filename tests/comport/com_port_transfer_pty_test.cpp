// Data transfer through the port on real pseudo-terminals: writes, timeouts, cancel, hangup.
#include "pty_port_fixture.h"

#include "comport/com_error.h"
#include "comport/com_port.h"

#include <cerrno>
#include <chrono>
#include <future>
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
  try {
    port.SendText("x");
    ADD_FAILURE() << "no error";
  } catch (const EComPort& e) {
    EXPECT_EQ(e.ErrorCode(), errWriteFailed);
    EXPECT_EQ(e.SystemErrorCode(), EBADF);
  }
  char byte;
  EXPECT_THROW(port.ReceiveBuffer(&byte, 1), EComPort);
}

}  // namespace
}  // namespace kestrova
