// The relay of a virtual port: moves bytes between the component's pseudo-terminal and the
// reader's, in both directions, in the child process the virtual port forks for it.
#pragma once

#include <array>
#include <cstddef>

#include "comport/device/frame_assembler.h"

namespace kestrova {

// The descriptors and names the relay works on. The caller keeps the strings alive.
struct RelayEnds {
  int componentMaster = -1;           // master of the pair whose slave the port component opens
  int componentSlave = -1;            // that slave, held open so that closes between ticks never hang it up
  int readerMaster = -1;              // master of the pair whose slave is published
  const char* readerSlave = nullptr;  // the published slave's device path
  const char* link = nullptr;         // the published link, removed when the relay ends
  int parentWatch = -1;               // read end of a pipe whose write end only the parent holds
};

// Component to reader: whole frames (ending with byte 13) while a reader has the published
// slave open; without one, frames are dropped, as on a cable to nothing, and a reader that
// opens it later starts with the next whole frame. A reader that does not read holds back at
// most the rest of one frame here (the kernel's own bounded buffer takes the rest).
// Reader to component: passed on as it comes; dropped when the component end's input queue
// is full (the port flushes input at each open anyway).
//
// Runs until the parent has gone (end of file on parentWatch: a normal exit, a crash, a kill)
// or SIGTERM arrives, then removes the link. Meant for a forked child: it allocates nothing
// and makes only async-signal-safe system calls, so it is sound even when the parent had
// other threads. Fork with SIGTERM, SIGINT, SIGHUP and SIGQUIT blocked: Run takes them over.
class VirtualPortRelay final {
 public:
  explicit VirtualPortRelay(const RelayEnds& ends) : ends_(ends) {}
  VirtualPortRelay(const VirtualPortRelay&) = delete;
  VirtualPortRelay& operator=(const VirtualPortRelay&) = delete;

  // Returns the exit code for the child: 0, or 1 when the relay could not be set up.
  int Run();

 private:
  void OnReaderOpened();
  void OnReaderGone();
  void DeliverFrame(const char* data, std::size_t size);
  void FlushTail();
  // Passes on one read of what the reader sent; false when there was nothing.
  bool ToComponent();
  void DrainReaderInput();
  void FromComponent();
  bool ReaderPresent() const;

  RelayEnds ends_;
  int watch_ = -1;    // inotify on the published slave: wakes the relay when a reader opens it
  int signals_ = -1;  // signalfd for SIGTERM
  bool reader_ = false;
  FrameAssembler frames_;
  std::array<char, FrameAssembler::kLimit> tail_{};  // the part of a frame the reader has not taken yet
  std::size_t tailStart_ = 0;
  std::size_t tailEnd_ = 0;
};

}  // namespace kestrova
