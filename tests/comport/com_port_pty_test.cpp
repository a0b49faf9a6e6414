// The port on real pseudo-terminals, reached through a port map in a private config folder.
#include "pty_port_fixture.h"

#include "comport/com_error.h"
#include "comport/com_port.h"
#include "comport/device/custom_rate.h"

#include <cerrno>

namespace kestrova {
namespace {

TEST_F(PortOnPseudoTerminal, OpensConfiguresAndCloses) {
  TComPort port;
  port.SetEvents({});
  port.SetPort("COM3");
  port.SetBaudRate(TBaudRate::br19200);
  port.FlowControl().SetFlowControl(TFlowControl::fcSoftware);
  port.SetConnected(true);
  ASSERT_TRUE(port.Connected());
  int fd = Descriptor(port);
  ASSERT_GE(fd, 0);
  termios t{};
  ASSERT_EQ(tcgetattr(fd, &t), 0);
  EXPECT_EQ(cfgetospeed(&t), B19200);
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);
  LineRates rates;
  ASSERT_EQ(ReadRates(fd, rates), 0);
  EXPECT_EQ(rates.output, 19200u);

  // A change on the open port reaches the device at once; a custom rate goes through termios2.
  port.SetCustomBaudRate(31250);
  port.SetBaudRate(TBaudRate::brCustom);
  ASSERT_EQ(ReadRates(fd, rates), 0);
  EXPECT_EQ(rates.output, 31250u);
  // 56000 is in the rate table but has no termios constant.
  port.SetBaudRate(TBaudRate::br56000);
  ASSERT_EQ(ReadRates(fd, rates), 0);
  EXPECT_EQ(rates.output, 56000u);
  EXPECT_EQ(port.ModemLines(), TModemLines{}) << "a pseudo-terminal has no modem lines";

  port.SetConnected(false);
  EXPECT_EQ(port.Device(), nullptr);
  // Closed cleanly: the same port opens again.
  port.SetConnected(true);
  EXPECT_TRUE(port.Connected());
}

TEST_F(PortOnPseudoTerminal, SecondOpenOfTheSamePortFails) {
  TComPort first, second;
  for (TComPort* port : {&first, &second}) {
    port->SetEvents({});
    port->SetPort("COM3");
  }
  first.SetConnected(true);
  try {
    second.SetConnected(true);
    ADD_FAILURE() << "no error";
  } catch (const EComPort& e) {
    EXPECT_EQ(e.ErrorCode(), errOpenFailed);
    EXPECT_EQ(e.SystemErrorCode(), EWOULDBLOCK);
  }
  EXPECT_FALSE(second.Connected());
  first.SetConnected(false);
  second.SetConnected(true);
  EXPECT_TRUE(second.Connected());
}

TEST_F(PortOnPseudoTerminal, MissingDeviceIsCodeOneWithItsErrno) {
  TComPort port;
  port.SetEvents({});
  port.SetPort("COM4");
  try {
    port.SetConnected(true);
    ADD_FAILURE() << "no error";
  } catch (const EComPort& e) {
    EXPECT_EQ(e.ErrorCode(), errOpenFailed);
    EXPECT_EQ(e.SystemErrorCode(), 2);
    EXPECT_STREQ(e.what(), "Unable to open com port (win error code: 2)");
  }
  EXPECT_FALSE(port.Connected());
}

}  // namespace
}  // namespace kestrova
