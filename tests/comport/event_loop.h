// A real Qt event loop for tests whose deliveries run on the main thread.
#pragma once

#include <QCoreApplication>
#include <QThread>

#include <chrono>
#include <functional>
#include <thread>

namespace kestrova {

// The process's application object, made on first use by the main thread.
inline QCoreApplication& TestApp() {
  static int argc = 1;
  static char name[] = "kestrova-test";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  return app;
}

// Runs the event loop until done() holds or timeoutMs has passed; returns done().
inline bool ProcessUntil(const std::function<bool()>& done, int timeoutMs = 3000) {
  TestApp();
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done() && std::chrono::steady_clock::now() < deadline) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return done();
}

}  // namespace kestrova
