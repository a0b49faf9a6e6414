// A QApplication for the whole test program, made before the first test and destroyed after
// the last. Include it in exactly one source file of a GUI test program.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

namespace kestrova {

class GuiApplication final : public ::testing::Environment {
 public:
  void SetUp() override { app_ = std::make_unique<QApplication>(argc_, argv_); }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[9] = "gui_test";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};

inline ::testing::Environment* const TheGuiApplication =
    ::testing::AddGlobalTestEnvironment(new GuiApplication);

}  // namespace kestrova
