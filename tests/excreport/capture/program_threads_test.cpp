#include "excreport/capture/program_threads.h"

#include <gtest/gtest.h>

#include <QThread>
#include <atomic>
#include <future>
#include <thread>

#include "excreport/capture/process_threads.h"

namespace kestrova {
namespace {

// Notes its thread ID, then waits until told to end.
struct ParkedBody {
  std::promise<pid_t> started;
  std::promise<void> release;

  void Run() {
    started.set_value(CurrentThreadId());
    release.get_future().wait();
  }
};

// A thread that Qt's own code starts (QThread::start lives in the toolkit's library), like the
// X event reader or the D-Bus connection thread.
class ToolkitStartedThread final : public QThread {
 public:
  explicit ToolkitStartedThread(ParkedBody& body) : body_(body) {}

 protected:
  void run() override { body_.Run(); }

 private:
  ParkedBody& body_;
};

TEST(ProgramThreads, OnlyThreadsThatTheProgramStartsAreMarkedWhileTheyRun) {
  ParkedBody before;
  std::thread startedBeforeTheHook([&] { before.Run(); });
  const pid_t beforeId = before.started.get_future().get();

  InstallThreadStartHook();
  ParkedBody own;
  std::thread program([&] { own.Run(); });
  ParkedBody toolkit;
  ToolkitStartedThread qtThread(toolkit);
  qtThread.start();
  const pid_t programId = own.started.get_future().get();
  const pid_t toolkitId = toolkit.started.get_future().get();

  EXPECT_TRUE(IsProgramThread(programId));
  EXPECT_FALSE(IsProgramThread(toolkitId));
  EXPECT_FALSE(IsProgramThread(beforeId));
  EXPECT_FALSE(IsProgramThread(CurrentThreadId()));

  for (ParkedBody* body : {&before, &own, &toolkit}) body->release.set_value();
  startedBeforeTheHook.join();
  program.join();
  qtThread.wait();
  EXPECT_FALSE(IsProgramThread(programId));  // ended
  RemoveThreadStartHook();
}

}  // namespace
}  // namespace kestrova
