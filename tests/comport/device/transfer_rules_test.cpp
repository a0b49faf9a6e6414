// The pure rules under the POSIX transfers and comm wait: timeouts, the input queue's receive
// events, and line events and error flags from the driver's counters.
#include "comport/device/input_queue.h"
#include "comport/device/line_counters.h"
#include "comport/device/transfer_timeouts.h"

#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <string>

namespace kestrova {
namespace {

CommTimeouts Read(std::uint32_t interval, std::uint32_t multiplier, std::uint32_t constant) {
  return {.ReadIntervalTimeout = interval, .ReadTotalTimeoutMultiplier = multiplier,
          .ReadTotalTimeoutConstant = constant};
}

TEST(TransferTimeouts, ReadPlans) {
  struct Case {
    CommTimeouts timeouts;
    std::uint32_t count;
    ReadPlan plan;
  } cases[] = {
      {Read(kMaxDword, 0, 0), 10, {.returnQueued = true}},
      {Read(kMaxDword, kMaxDword, 500), 10, {.returnOnFirstByte = true, .total = 500}},
      // The special case needs a constant strictly between 0 and MAXDWORD.
      {Read(kMaxDword, kMaxDword, 0), 2, {.total = 2ull * kMaxDword, .interval = kMaxDword}},
      {Read(0, 0, 0), 10, {}},
      {Read(0, 10, 100), 5, {.total = 150}},
      {Read(20, 0, 0), 5, {.interval = 20}},
      {Read(20, 0, 300), 5, {.total = 300, .interval = 20}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MakeReadPlan(c.timeouts, c.count), c.plan)
        << c.timeouts.ReadIntervalTimeout << "/" << c.timeouts.ReadTotalTimeoutMultiplier << "/"
        << c.timeouts.ReadTotalTimeoutConstant;
  }
}

TEST(TransferTimeouts, WriteTimeoutIsConstantPlusMultiplierTimesCount) {
  CommTimeouts t{.WriteTotalTimeoutMultiplier = 100, .WriteTotalTimeoutConstant = 1000};
  EXPECT_EQ(WriteTimeout(t, 10), 2000u);
  EXPECT_EQ(WriteTimeout(t, 0), 1000u);
  EXPECT_EQ(WriteTimeout({}, 10), std::nullopt) << "both 0: no limit";
  t.WriteTotalTimeoutMultiplier = kMaxDword;
  EXPECT_EQ(WriteTimeout(t, 4), 1000u + 4ull * kMaxDword) << "no 32-bit wrap";
}

TEST(InputQueueTest, ReceiveEventsAndTheEightyPercentMark) {
  InputQueue queue;
  queue.SetCapacity(10);  // the mark is at 8 bytes
  const std::uint8_t text[] = {'a', 'b', 'c', '\r', 'e', 'f', 'g', 'h', 'i'};
  EXPECT_EQ(queue.Append(text, 0, '\r'), 0u);
  EXPECT_EQ(queue.Append(text, 3, '\r'), EV_RXCHAR);
  EXPECT_EQ(queue.Append(text + 3, 4, '\r'), EV_RXCHAR | EV_RXFLAG);
  EXPECT_EQ(queue.Append(text + 7, 1, '\r'), EV_RXCHAR | EV_RX80FULL);
  EXPECT_EQ(queue.Append(text + 8, 1, '\r'), EV_RXCHAR) << "only when the mark is crossed";
  EXPECT_EQ(queue.Space(), 1u);
  std::uint8_t out[16];
  ASSERT_EQ(queue.Take(out, 4), 4u);
  EXPECT_EQ(std::string(out, out + 4), "abc\r");
  EXPECT_EQ(queue.Size(), 5u);
  EXPECT_EQ(queue.Append(text, 3, 0), EV_RXCHAR | EV_RX80FULL) << "crossed again after draining";
  EXPECT_EQ(queue.Take(out, 16), 8u);
  EXPECT_EQ(std::string(out, out + 8), "efghiabc");
}

TEST(LineCountersTest, EventsAndErrorFlagsOfMovedCounters) {
  struct Case {
    LineCounts now;
    std::uint32_t events, flags;
  } cases[] = {
      {{}, 0, 0},
      {{.cts = 1}, EV_CTS, 0},
      {{.dsr = 2, .dcd = 1}, EV_DSR | EV_RLSD, 0},
      {{.rng = 1}, EV_RING, 0},
      {{.brk = 1}, EV_BREAK, CE_BREAK},
      {{.frame = 1}, EV_ERR, CE_FRAME},
      {{.overrun = 1, .parity = 3}, EV_ERR, CE_OVERRUN | CE_RXPARITY},
      {{.bufOverrun = 1}, EV_ERR, CE_RXOVER},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CountEvents({}, c.now), c.events);
    EXPECT_EQ(CountErrorFlags({}, c.now), c.flags);
  }
  EXPECT_EQ(ModemBitEvents(TIOCM_CTS | TIOCM_CAR, TIOCM_CAR | TIOCM_RNG), EV_CTS | EV_RING);
  EXPECT_EQ(ModemBitEvents(TIOCM_DSR, TIOCM_DSR), 0u);
}

}  // namespace
}  // namespace kestrova
