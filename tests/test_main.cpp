// Test entry shared by every test executable: gives each test run the same private
// environment, whether it is started by ctest or by hand, then runs GoogleTest.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
  const std::string binary = KESTROVA_BINARY_DIR;
  const std::string runtime = binary + "/test-runtime";
  std::filesystem::create_directories(runtime);
  ::chmod(runtime.c_str(), 0700);  // Qt refuses a runtime folder others can read.
  // Tests never touch the user's own configuration, and never need a display.
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (binary + "/test-config").c_str(), 1);
  ::setenv("KESTROVA_SOURCE_DIR", KESTROVA_SOURCE_DIR, 1);
  ::setenv("KESTROVA_BINARY_DIR", binary.c_str(), 1);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
