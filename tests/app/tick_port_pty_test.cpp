// The tick's port steps on real pseudo-terminals: a device that vanishes in the middle of a
// write, and a new device mapped under the same name.
#include "app/tick_port.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <chrono>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "comport/com_port.h"
#include "support/pseudo_terminal_pair.h"
#include "text_lines.h"

namespace kestrova {
namespace {

using testing::Lines;

TEST(TickPortOnPseudoTerminal, FramesResumeOnANewDeviceAfterTheOldOneVanishedDuringAWrite) {
  auto first = std::make_unique<support::PseudoTerminalPair>("COM2");
  // As the window keeps it: every event enabled, so each open starts an event thread.
  TComPort port;
  port.SetPort("COM2");
  port.SetEvents(kAllComEvents);
  port.SetSyncMethod(TSyncMethod::smNone);
  std::ostringstream diagnostics;
  TickPort tick(port, diagnostics);

  tick.Send("_040000_\r");
  EXPECT_EQ(first->TakeReceived(), "_040000_\r");

  // A frame far larger than the pseudo-terminal's buffers: the write blocks while nobody reads.
  // The peer vanishes once the first bytes have arrived, so the write is under way.
  std::thread unplug([&first] {
    pollfd peer{first->Master(), POLLIN, 0};
    ::poll(&peer, 1, 10000);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    first->Vanish();
  });
  tick.Send(std::string(1 << 20, 'x'));
  unplug.join();
  EXPECT_FALSE(port.Connected()) << "a failed write leaves the port closed";

  support::PseudoTerminalPair second("COM2");
  std::string received;
  for (int ticks = 0; ticks < 2 && received.empty(); ++ticks) {
    tick.Send("_040000_\r");
    received = second.TakeReceived();
  }
  EXPECT_EQ(received, "_040000_\r") << "frames resume within two ticks";
  const std::vector<std::string> lines = Lines(diagnostics.str());
  ASSERT_EQ(lines.size(), 2u) << diagnostics.str();
  EXPECT_NE(lines[0].find("kestrova: COM2 ("), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find("): nothing sent: WriteFile function failed"), std::string::npos)
      << lines[0];
  EXPECT_EQ(lines[1].substr(lines[1].size() - 9), ": sending") << lines[1];
}

}  // namespace
}  // namespace kestrova
