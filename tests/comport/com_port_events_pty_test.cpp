// The event thread on real pseudo-terminals: received data, the three delivery methods, closing
// during a delivery, and many open/close cycles.
#include "event_loop.h"
#include "pty_port_fixture.h"

#include "comport/com_port.h"
#include "comport/com_error.h"
#include "comport/com_thread.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace kestrova {
namespace {

using namespace std::chrono_literals;

// Waits without an event loop (deliveries under smNone need none).
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 3000) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
  return done();
}

// What handlers and observers saw, from whichever thread they ran on.
struct Seen {
  std::mutex mutex;
  std::vector<std::int32_t> rxChar;
  std::vector<std::string> rxBuf;
  std::vector<std::string> lines;
  std::thread::id thread;

  template <typename F>
  auto Locked(F f) {
    std::lock_guard lock(mutex);
    return f();
  }
};

TEST_F(PortOnPseudoTerminal, PeerWriteFiresOnRxCharAndLeavesTheBytesQueued) {
  TComPort port;
  Seen seen;
  port.OnRxChar = [&](TCustomComPort*, std::int32_t count) { seen.Locked([&] { seen.rxChar.push_back(count); }); };
  port.OnRxBuf = [&](TCustomComPort*, const void*, std::int32_t) { seen.Locked([&] { seen.rxBuf.push_back("?"); }); };
  port.SetPort("COM3");
  port.SetSyncMethod(TSyncMethod::smNone);
  port.SetConnected(true);
  PeerWrite("hello");
  ASSERT_TRUE(WaitFor([&] { return seen.Locked([&] { return !seen.rxChar.empty() && seen.rxChar.back() == 5; }); }));
  EXPECT_TRUE(seen.Locked([&] { return seen.rxBuf.empty(); }));
  EXPECT_EQ(port.InQueueCount(), 5);
  char buffer[8];
  EXPECT_EQ(port.ReceiveBuffer(buffer, 8), 5);
  EXPECT_EQ(std::string(buffer, 5), "hello");
  port.SetConnected(false);
}

// The device vanishes while the event thread waits: no stream of events follows, the close
// completes, and the next open (a new device under the same name) delivers again.
TEST_F(PortOnPseudoTerminal, DeviceThatVanishesDuringTheEventWaitLeavesAWorkingPort) {
  TComPort port;
  std::atomic<int> deliveries{0};
  port.OnRxChar = [&](TCustomComPort*, std::int32_t) { ++deliveries; };
  port.OnError = [&](TCustomComPort*, TComErrors) { ++deliveries; };
  port.SetPort("COM3");
  port.SetSyncMethod(TSyncMethod::smNone);
  port.SetConnected(true);
  ClosePeer();
  std::this_thread::sleep_for(300ms);
  const int afterHangup = deliveries;
  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(deliveries, afterHangup) << "events keep coming from a device that has gone";
  try {
    port.SetConnected(false);
  } catch (const EComPort&) {
    // A close step may fail on the vanished device; the port is released all the same.
  }
  EXPECT_FALSE(port.Connected());

  ReplaceDevice();
  ASSERT_GE(peer_->Master(), 0);
  port.SetConnected(true);
  PeerWrite("x");
  EXPECT_TRUE(WaitFor([&] { return deliveries > afterHangup; }));
  port.SetConnected(false);
}

TEST_F(PortOnPseudoTerminal, ObserversTakingDataGetTheBytesReadOnce) {
  TComPort port;
  Seen seen;
  port.OnRxChar = [&](TCustomComPort*, std::int32_t count) { seen.Locked([&] { seen.rxChar.push_back(count); }); };
  port.OnRxBuf = [&](TCustomComPort*, const void* data, std::int32_t count) {
    seen.Locked([&] { seen.rxBuf.emplace_back(static_cast<const char*>(data), count); });
  };
  TPortObserver first, bystander, second;
  std::string firstGot, secondGot;
  first.Data = [&](TCustomComPort*, const void* data, std::int32_t n) {
    seen.Locked([&] { firstGot.append(static_cast<const char*>(data), n); });
  };
  first.Receive = [&](TCustomComPort*, bool on) { seen.Locked([&] { seen.lines.push_back(on ? "rx on" : "rx off"); }); };
  second.Data = [&](TCustomComPort*, const void* data, std::int32_t n) {
    seen.Locked([&] { secondGot.append(static_cast<const char*>(data), n); });
  };
  for (TPortObserver* o : {&first, &bystander, &second}) port.AddObserver(o);
  port.SetPort("COM3");
  port.SetSyncMethod(TSyncMethod::smNone);
  port.SetConnected(true);
  PeerWrite("hello");
  ASSERT_TRUE(WaitFor([&] { return seen.Locked([&] { return secondGot.size() == 5; }); }));
  port.SetConnected(false);
  EXPECT_EQ(seen.rxBuf, std::vector<std::string>{"hello"});
  EXPECT_EQ(firstGot, "hello");
  EXPECT_EQ(secondGot, "hello");
  EXPECT_TRUE(seen.rxChar.empty());
  // On when data came, off once the read had emptied the queue; the close adds nothing here.
  EXPECT_EQ(seen.lines, (std::vector<std::string>{"rx on", "rx off"}));
  for (TPortObserver* o : {&first, &bystander, &second}) port.RemoveObserver(o);
}

TEST_F(PortOnPseudoTerminal, EachSyncMethodDeliversOnTheThreadItPromises) {
  TestApp();
  const std::thread::id mainThread = std::this_thread::get_id();
  for (TSyncMethod method : {TSyncMethod::smThreadSync, TSyncMethod::smWindowSync, TSyncMethod::smNone}) {
    TComPort port;
    Seen seen;
    port.OnRxChar = [&](TCustomComPort*, std::int32_t count) {
      seen.Locked([&] {
        seen.rxChar.push_back(count);
        seen.thread = std::this_thread::get_id();
      });
    };
    port.SetPort("COM3");
    port.SetSyncMethod(method);
    port.SetConnected(true);
    EXPECT_EQ(port.NotifyWindow() != nullptr, method == TSyncMethod::smWindowSync);
    PeerWrite("x");
    ASSERT_TRUE(ProcessUntil([&] { return seen.Locked([&] { return !seen.rxChar.empty(); }); }));
    const bool onMain = seen.Locked([&] { return seen.thread == mainThread; });
    EXPECT_EQ(onMain, method != TSyncMethod::smNone) << static_cast<int>(method);
    port.SetConnected(false);
    EXPECT_EQ(port.NotifyWindow(), nullptr);
    PeerRead(1, 0);
  }
}

TEST_F(PortOnPseudoTerminal, ClosingDuringADeliveryServesItAndCompletes) {
  TestApp();
  for (TSyncMethod method : {TSyncMethod::smThreadSync, TSyncMethod::smWindowSync}) {
    TComPort port;
    int delivered = 0;  // on the main thread only
    port.OnRxChar = [&](TCustomComPort*, std::int32_t) { ++delivered; };
    port.SetPort("COM3");
    port.SetSyncMethod(method);
    port.SetConnected(true);
    PeerWrite("z");
    // No event loop runs: the event thread is left waiting in its delivery.
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(delivered, 0);
    port.SetConnected(false);
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(delivered, 1) << "served by the close";
    ProcessUntil([] { return false; }, 50);
    EXPECT_EQ(delivered, 1) << "and never again";
  }
}

TEST_F(PortOnPseudoTerminal, AHandlerThatClosesItsPortCompletesTheClose) {
  TestApp();
  for (TSyncMethod method : {TSyncMethod::smThreadSync, TSyncMethod::smWindowSync, TSyncMethod::smNone}) {
    TComPort port;
    std::atomic<int> calls = 0;
    std::atomic<bool> armed = false, closed = false;
    // Under smNone the handler runs on the event thread: it closes only once this thread has
    // finished opening and leaves the port to it (a late byte may arrive during the open).
    port.OnRxChar = [&](TCustomComPort* sender, std::int32_t) {
      if (!armed) return;
      ++calls;
      sender->SetConnected(false);
      closed = true;
    };
    port.SetPort("COM3");
    port.SetSyncMethod(method);
    for (int open = 1; open <= 2; ++open) {
      armed = closed = false;
      port.SetConnected(true);
      armed = true;
      PeerWrite("x");
      ASSERT_TRUE(ProcessUntil([&] { return closed.load(); })) << "method " << static_cast<int>(method);
      EXPECT_FALSE(port.Connected());
      EXPECT_EQ(port.Device(), nullptr);
      EXPECT_EQ(calls, open) << "method " << static_cast<int>(method);
      PeerWrite("y");
      ProcessUntil([] { return false; }, 50);
      EXPECT_EQ(calls, open) << "nothing after the close";
      PeerRead(1, 0);
    }
  }
}

TEST_F(PortOnPseudoTerminal, ObserversComeAndGoWhileTheEventThreadDelivers) {
  TComPort port;
  std::atomic<std::size_t> steadyGot = 0;
  TPortObserver steady;
  steady.Data = [&](TCustomComPort*, const void*, std::int32_t n) { steadyGot += static_cast<std::size_t>(n); };
  port.AddObserver(&steady);
  port.SetPort("COM3");
  port.SetSyncMethod(TSyncMethod::smNone);
  port.SetConnected(true);
  std::atomic<bool> stop = false;
  std::size_t written = 0;
  std::thread peer([&] {
    while (!stop) {
      PeerWrite("0123456789");
      written += 10;
      std::this_thread::sleep_for(100us);
    }
  });
  // Each transient observer notes a call that comes after its removal had returned.
  struct Transient {
    TPortObserver observer;
    std::atomic<bool> removed = false;
    std::atomic<int> late = 0;
  };
  std::vector<std::unique_ptr<Transient>> transients;
  int late = 0;
  for (int round = 0; round < 300; ++round) {
    for (int i = 0; i < 8; ++i) {
      auto t = std::make_unique<Transient>();
      Transient* raw = t.get();
      t->observer.Data = [raw](TCustomComPort*, const void*, std::int32_t) { raw->late += raw->removed ? 1 : 0; };
      t->observer.Receive = [raw](TCustomComPort*, bool) { raw->late += raw->removed ? 1 : 0; };
      port.AddObserver(&t->observer);
      transients.push_back(std::move(t));
    }
    std::this_thread::sleep_for(200us);
    for (auto& t : transients) {
      port.RemoveObserver(&t->observer);
      t->removed = true;
    }
    for (auto& t : transients) late += t->late;
    transients.clear();  // destroyed: a late call would touch freed memory
  }
  stop = true;
  peer.join();
  EXPECT_TRUE(WaitFor([&] { return steadyGot == written; })) << steadyGot << " of " << written;
  EXPECT_EQ(late, 0);
  port.SetConnected(false);
  port.RemoveObserver(&steady);
}

std::size_t Entries(const char* folder) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

TEST_F(PortOnPseudoTerminal, OpenCloseCyclesLeaveNoDescriptorOrThread) {
  const int cycles = 10000;
  TComPort port;
  port.SetPort("COM3");
  port.SetSyncMethod(TSyncMethod::smNone);
  ASSERT_EQ(port.Events(), kAllComEvents);
  // The first open makes what is kept: the process's I/O loop and the port's event thread.
  port.SetConnected(true);
  port.SetConnected(false);
  const std::size_t fds = Entries("/proc/self/fd");
  const std::size_t threads = Entries("/proc/self/task");
  for (int i = 0; i < cycles; ++i) {
    port.SetConnected(true);
    ASSERT_TRUE(port.EventThreadActive());
    ASSERT_EQ(port.SendText("12345.67\r"), 9);
    port.SetConnected(false);
    ASSERT_EQ(PeerRead(9), "12345.67\r");
  }
  EXPECT_EQ(Entries("/proc/self/fd"), fds);
  EXPECT_TRUE(WaitFor([&] { return Entries("/proc/self/task") == threads; }, 1000)) << Entries("/proc/self/task");
}

// A port whose notification is its own, as a class derived from the component may have.
class PortWithOwnTxEmpty final : public TCustomComPort {
 public:
  explicit PortWithOwnTxEmpty(std::function<void()> txEmpty) : txEmpty_(std::move(txEmpty)) {}
  ~PortWithOwnTxEmpty() override { CloseBeforeDestruction(); }

 protected:
  void NotifyTxEmpty() override { txEmpty_(); }

 private:
  std::function<void()> txEmpty_;
};

// The port's own write empties the output queue at once (a pseudo-terminal holds nothing back),
// so evTxEmpty is found on the port's thread: it still reaches a handler, an observer and an
// overridden notification, on the event thread.
TEST_F(PortOnPseudoTerminal, TxEmptyOfTheOwnWriteReachesEveryKindOfReceiver) {
  const std::thread::id mainThread = std::this_thread::get_id();
  for (const char* receiver : {"handler", "observer", "override"}) {
    Seen seen;
    auto note = [&] {
      seen.Locked([&] {
        seen.thread = std::this_thread::get_id();
        seen.lines.push_back("TxEmpty");
      });
    };
    TComPort plain;
    PortWithOwnTxEmpty derived(note);
    TCustomComPort& port = std::string(receiver) == "override" ? static_cast<TCustomComPort&>(derived) : plain;
    TPortObserver observer;
    observer.Transmit = [&](TCustomComPort*, bool on) {
      if (!on) note();
    };
    if (std::string(receiver) == "handler") port.OnTxEmpty = [&](TCustomComPort*) { note(); };
    if (std::string(receiver) == "observer") port.AddObserver(&observer);
    port.SetPort("COM3");
    port.SetSyncMethod(TSyncMethod::smNone);
    port.SetConnected(true);
    port.SendText("x");
    EXPECT_TRUE(WaitFor([&] { return seen.Locked([&] { return !seen.lines.empty(); }); })) << receiver;
    EXPECT_TRUE(seen.Locked([&] { return seen.thread != mainThread; })) << receiver;
    port.SetConnected(false);
    if (std::string(receiver) == "observer") port.RemoveObserver(&observer);
    PeerRead(1, 0);
  }
}

}  // namespace
}  // namespace kestrova
