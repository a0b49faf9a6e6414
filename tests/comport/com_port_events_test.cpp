// The event thread through the fake device: the order of the events of one wait under each
// delivery method, the notification window's dispatch, the end steps, a processor that raises,
// and the thread body guard.
#include "event_loop.h"
#include "fake_port_fixture.h"

#include "comport/com_error.h"
#include "comport/com_thread.h"
#include "comport/notification_window.h"
#include "comport/thread_guard.h"

#include <atomic>
#include <cerrno>
#include <mutex>
#include <string>
#include <thread>

namespace kestrova {
namespace {

using enum DeviceCall;
using namespace std::chrono_literals;

// Every handler of the port writes its name; handlers may run on the event thread. Detaches
// itself from the port when it goes, so the port may outlive it.
class HandlerLog {
 public:
  explicit HandlerLog(TCustomComPort& port) : port_(port) {
    auto note = [this](const char* name) { return [this, name](TCustomComPort*) { Add(name); }; };
    auto line = [this](const char* name) { return [this, name](TCustomComPort*, bool) { Add(name); }; };
    port.OnRxChar = [this](TCustomComPort*, std::int32_t n) { Add("RxChar " + std::to_string(n)); };
    port.OnTxEmpty = note("TxEmpty");
    port.OnBreak = note("Break");
    port.OnRing = note("Ring");
    port.OnCTSChange = line("CTS");
    port.OnDSRChange = line("DSR");
    port.OnRxFlag = note("RxFlag");
    port.OnRLSDChange = line("RLSD");
    port.OnError = [this](TCustomComPort*, TComErrors e) { Add("Error " + std::to_string(e.Bits())); };
    port.OnRx80Full = note("Rx80Full");
  }
  ~HandlerLog() {
    port_.OnRxChar = nullptr;
    port_.OnTxEmpty = port_.OnBreak = port_.OnRing = port_.OnRxFlag = port_.OnRx80Full = nullptr;
    port_.OnCTSChange = port_.OnDSRChange = port_.OnRLSDChange = nullptr;
    port_.OnError = nullptr;
  }
  HandlerLog(const HandlerLog&) = delete;
  HandlerLog& operator=(const HandlerLog&) = delete;
  void Add(const std::string& line) {
    std::lock_guard lock(mutex_);
    lines_.push_back(line);
  }
  std::vector<std::string> Lines() {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
  }

 private:
  TCustomComPort& port_;
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

class EventThreadTest : public FakePortTest {
 protected:
  EventThreadTest() {
    TestApp();
    port.SetEvents(kAllComEvents);
  }
};

TEST_F(EventThreadTest, EventsOfOneWaitAreProcessedInTheFixedOrder) {
  // The error flags are gone by the time of Error: RxChar's InQueueCount read and reset them.
  const std::vector<std::string> expected = {"RxChar 1", "TxEmpty", "Break", "Ring", "CTS",
                                             "DSR",      "RxFlag",  "RLSD",  "Error 0", "Rx80Full"};
  for (TSyncMethod method : {TSyncMethod::smThreadSync, TSyncMethod::smWindowSync, TSyncMethod::smNone}) {
    HandlerLog log(port);
    port.SetSyncMethod(method);
    port.SetConnected(true);
    log.Clear();
    script.ClearRecords();
    script.AddInput("q");
    script.SetErrorFlags(CE_OVERRUN);
    script.PushEvents(0x05FF);
    EXPECT_TRUE(ProcessUntil([&] { return log.Lines().size() >= expected.size(); }));
    EXPECT_EQ(log.Lines(), expected) << "method " << static_cast<int>(method);
    char byte;
    EXPECT_EQ(port.ReceiveBuffer(&byte, 1), 1) << "OnRxChar left the byte queued";
    port.SetConnected(false);
    // The close cancels transfers; the thread's end steps clear the mask and empty both queues.
    std::vector<std::pair<DeviceCall, std::uint32_t>> steps;
    for (const auto& r : script.Records()) {
      if (r.call == Purge || r.call == SetCommMask) steps.emplace_back(r.call, r.flags);
    }
    EXPECT_EQ(steps, (std::vector<std::pair<DeviceCall, std::uint32_t>>{{Purge, 3}, {SetCommMask, 0}, {Purge, 12}}));
  }
}

TEST_F(EventThreadTest, OpeningStartsTheThreadWithTheEventMask) {
  port.SetEvents({TComEvent::evRxChar, TComEvent::evRing});
  port.SetSyncMethod(TSyncMethod::smNone);
  port.SetConnected(true);
  EXPECT_TRUE(port.EventThreadActive());
  ASSERT_EQ(RecordsOf(SetCommMask).size(), 1u);
  EXPECT_EQ(RecordsOf(SetCommMask).at(0).flags, EV_RXCHAR | EV_RING);
  port.SetConnected(false);
  port.SetEvents({});
  port.SetConnected(true);
  EXPECT_FALSE(port.EventThreadActive());
  EXPECT_EQ(port.EventThread(), nullptr);
}

TEST_F(EventThreadTest, NotificationWindowProcDispatchesOneEventBit) {
  struct Case {
    std::uint32_t message;
    std::uintptr_t wParam;
    std::vector<std::string> fired;
  } cases[] = {
      {WM_PORTEVENT, EV_RLSD, {"RLSD"}},
      {WM_PORTEVENT, EV_RING, {"Ring"}},
      {WM_PORTEVENT, EV_BREAK, {"Break"}},
      {WM_PORTEVENT, EV_RING | EV_BREAK, {}},
      {WM_PORTEVENT, 0x0200, {}},
      {WM_PORTEVENT + 1, EV_RING, {}},
  };
  port.SetConnected(true);
  HandlerLog log(port);
  for (const Case& c : cases) {
    log.Clear();
    EXPECT_EQ(port.NotificationWindowProc(c.message, c.wParam, 0), 0);
    EXPECT_EQ(log.Lines(), c.fired) << c.message << " " << c.wParam;
  }
}

TEST_F(EventThreadTest, ProcessorThatRaisesEndsTheThreadAndTheCloseStillWorks) {
  for (TSyncMethod method : {TSyncMethod::smNone, TSyncMethod::smThreadSync}) {
    HandlerLog log(port);
    port.SetSyncMethod(method);
    port.SetConnected(true);
    script.Fail(ClearCommError, EIO);
    script.PushEvents(EV_ERR);
    ASSERT_TRUE(ProcessUntil([&] { return port.EventThread()->FatalException() != nullptr; }));
    try {
      std::rethrow_exception(port.EventThread()->FatalException());
    } catch (const EComPort& e) {
      EXPECT_EQ(e.ErrorCode(), errClearErrorFailed);
    }
    script.ClearFailure();
    log.Clear();
    script.PushEvents(EV_BREAK);
    ProcessUntil([] { return false; }, 50);
    EXPECT_TRUE(log.Lines().empty()) << "no events after the thread has ended";
    port.SetConnected(false);
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(script.OpenCount(), 0);
    // The next open delivers again, through a new thread.
    port.SetConnected(true);
    log.Clear();
    script.PushEvents(EV_BREAK);
    EXPECT_TRUE(ProcessUntil([&] { return log.Lines() == std::vector<std::string>{"Break"}; }));
    port.SetConnected(false);
  }
}

int guardRuns = 0;
void CountingGuard(const std::function<void()>& body) {
  ++guardRuns;
  body();
}

TEST_F(EventThreadTest, OneThreadServesEveryOpenThroughTheInstalledGuard) {
  SetThreadBodyGuard(&CountingGuard);
  {
    TComPort local;
    local.SetDeviceFactory(script.Factory());
    local.SetSyncMethod(TSyncMethod::smNone);
    std::atomic<int> breaks = 0;
    local.OnBreak = [&](TCustomComPort*) { ++breaks; };
    for (int open = 1; open <= 3; ++open) {
      local.SetConnected(true);
      script.PushEvents(EV_BREAK);
      ASSERT_TRUE(ProcessUntil([&] { return breaks == open; }));
      local.SetConnected(false);
    }
    SetThreadBodyGuard(nullptr);
  }  // the port's destruction ends and joins its thread: the count is settled
  EXPECT_EQ(guardRuns, 1) << "one thread body for all three opens";
  EXPECT_NE(CurrentThreadBodyGuard(), &CountingGuard);
}

}  // namespace
}  // namespace kestrova
