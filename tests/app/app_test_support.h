// Shared by the window tests: the application object, lookups of the window's controls, and
// (from support/) a private port map and a pseudo-terminal pair mapped as a port.
#pragma once

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QStyleOptionButton>
#include <QTest>
#include <QTimer>

#include <memory>

#include "app/application.h"
#include "app/main_form.h"
#include "support/pseudo_terminal_pair.h"

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
