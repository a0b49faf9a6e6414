// The real program's command line: exit codes and what goes to stdout and stderr.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "kestrova_process.h"

namespace kestrova::testing {
namespace {

TEST(HeadlessProgramTest, ExitCodesAndOutput) {
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string out;  // the whole of stdout, or its start when it ends with "..."
    std::string err;  // a part of stderr
  } cases[] = {
      {{"--help"}, 0, "Usage: kestrova [--headless...", ""},
      {{"--version"}, 0, "kestrova 1.0.0\n", ""},
      {{"--headless", "--count", "2", "--interval", "5"}, 0, "_040000_\n_040000_\n", ""},
      {{"--headless", "--fixed", "4x0000"},
       1,
       "",
       "kestrova: '4x0000' is not a valid floating point value\n"},
      {{"--headless", "--random", "20000", "2o500"},
       1,
       "",
       "kestrova: '2o500' is not a valid integer value\n"},
      {{"--headless", "--mask", std::string(225, '0')}, 1, "", "kestrova: Format string too long\n"},
      {{"--headless", "--count"}, 2, "", "kestrova: --count needs a value\n\nUsage: kestrova"},
      {{"--interval", "5"}, 2, "", "kestrova: --interval needs --headless\n"},
  };
  for (const Case& c : cases) {
    KestrovaHome home("");
    KestrovaProcess kestrova(home, c.args);
    const std::string label = ::testing::PrintToString(c.args);
    EXPECT_EQ(kestrova.Wait(), c.exitCode) << label << kestrova.Stderr();
    if (c.out.ends_with("...")) {
      EXPECT_TRUE(kestrova.Stdout().starts_with(c.out.substr(0, c.out.size() - 3)))
          << label << kestrova.Stdout();
    } else {
      EXPECT_EQ(kestrova.Stdout(), c.out) << label;
    }
    EXPECT_NE(kestrova.Stderr().find(c.err), std::string::npos) << label << kestrova.Stderr();
  }
}

// A port that cannot be opened: the frames are still formed and echoed, and the failure is
// told once on stderr, not at every tick.
TEST(HeadlessProgramTest, MissingPortIsToldOnceOnStderr) {
  KestrovaHome home("COM3 = /nonexistent/kestrova-tty\n");
  KestrovaProcess kestrova(home, {"--headless", "--port", "COM3", "--count", "4", "--interval", "5"});
  EXPECT_EQ(kestrova.Wait(), 0);
  EXPECT_EQ(kestrova.Stdout(), "_040000_\n_040000_\n_040000_\n_040000_\n");
  const std::string err = kestrova.Stderr();
  EXPECT_NE(err.find("COM3"), std::string::npos) << err;
  EXPECT_NE(err.find("/nonexistent/kestrova-tty"), std::string::npos) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

}  // namespace
}  // namespace kestrova::testing
