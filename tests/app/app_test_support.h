// Shared by the window tests: the application object, a private port map, a pseudo-terminal
// standing in for COM2, and lookups of the window's controls.
#pragma once

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QStyleOptionButton>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "app/application.h"
#include "app/main_form.h"

namespace kestrova::testing {

// One TApplication for the whole test executable, made when the tests start (after the test
// entry has set the offscreen platform) and destroyed after the last one.
class ApplicationEnvironment final : public ::testing::Environment {
 public:
  void SetUp() override { application_ = std::make_unique<TApplication>(argc_, argv_); }
  void TearDown() override { application_.reset(); }
  static TApplication& Application() { return *application_; }

 private:
  static inline int argc_ = 1;
  static inline char name_[] = "kestrova-test";
  static inline char* argv_[] = {name_, nullptr};
  static inline std::unique_ptr<TApplication> application_;
};

inline ::testing::Environment* const kApplicationEnvironment =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

inline TApplication& App() { return ApplicationEnvironment::Application(); }

// A ports.conf of the given text in a private config folder, named by XDG_CONFIG_HOME while
// the object lives.
class PortMapScope final {
 public:
  explicit PortMapScope(const std::string& lines);
  ~PortMapScope();
  PortMapScope(const PortMapScope&) = delete;
  PortMapScope& operator=(const PortMapScope&) = delete;

 private:
  std::filesystem::path folder_;
  std::optional<std::string> saved_;
};

// A pseudo-terminal mapped as COM2. The test keeps a slave descriptor open, so the pair
// survives the port's closes between ticks and its line settings can be read back; the
// master is the peer that reads what the program sends.
class PseudoTerminalCom2 final {
 public:
  PseudoTerminalCom2();
  ~PseudoTerminalCom2();
  PseudoTerminalCom2(const PseudoTerminalCom2&) = delete;
  PseudoTerminalCom2& operator=(const PseudoTerminalCom2&) = delete;

  int Master() const { return master_; }
  int Slave() const { return slave_; }
  // Everything the peer has received so far and not yet taken; never blocks.
  std::string TakeReceived();

 private:
  int master_ = -1;
  int slave_ = -1;
  std::unique_ptr<PortMapScope> map_;
};

template <typename T>
T* Control(const QWidget& window, const char* name) {
  T* control = window.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(control, nullptr) << name;
  return control;
}

// Clicks the box's indicator: a click on a check box stretched wider than its text misses.
void ClickCheckBox(QCheckBox* box);

// Counts the timer events that reach a timer before it emits its timeout, so that ticks can
// be counted even when the tick's handler throws.
class TickCounter final : public QObject {
 public:
  explicit TickCounter(QTimer* timer) { timer->installEventFilter(this); }
  int Count() const { return count_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int count_ = 0;
};

}  // namespace kestrova::testing
