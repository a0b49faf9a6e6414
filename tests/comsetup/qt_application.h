// One QApplication for the whole test program (offscreen, see tests/test_main.cpp), made before
// the first test and destroyed after the last.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>

#include <memory>

namespace kestrova {

class QtApplicationEnvironment final : public ::testing::Environment {
 public:
  void SetUp() override { app_ = std::make_unique<QApplication>(argc_, argv_); }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[16] = "kestrova-test";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};

inline ::testing::Environment* const kQtApplication =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace kestrova
