#include "comport/thread_guard.h"

#include <atomic>

namespace kestrova {
namespace {

void RunDirectly(const std::function<void()>& body) { body(); }

std::atomic<ThreadBodyGuard> guard{&RunDirectly};

}  // namespace

void SetThreadBodyGuard(ThreadBodyGuard g) { guard.store(g != nullptr ? g : &RunDirectly); }

ThreadBodyGuard CurrentThreadBodyGuard() { return guard.load(); }

void RunThroughThreadBodyGuard(const std::function<void()>& body) { guard.load()(body); }

}  // namespace kestrova
