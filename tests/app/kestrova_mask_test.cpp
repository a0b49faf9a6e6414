// Runs the real kestrova-mask binary, and reads real locales compiled for the test.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/format_separators.h"
#include "app/locale_separators.h"

// glibc's newlocale does not free its copy of the LOCPATH search list, which the locale tests
// set; the leak sanitizer of a sanitizer build would report it.
extern "C" const char* __lsan_default_suppressions() { return "leak:__argz_add_sep\n"; }

namespace kestrova {
namespace {

namespace fs = std::filesystem;

struct Outcome {
  int exitCode = -1;
  std::string out;
  std::string err;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs a program with extra environment entries ("NAME=value"), collecting its output.
Outcome RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env,
            const fs::path& scratch) {
  const fs::path outPath = scratch / "stdout", errPath = scratch / "stderr";
  const pid_t pid = fork();
  if (pid == 0) {
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(126);
    for (const std::string& entry : env) putenv(const_cast<char*>(entry.c_str()));
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  Outcome outcome;
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return outcome;
  outcome.exitCode = WEXITSTATUS(status);
  outcome.out = ReadFile(outPath);
  outcome.err = ReadFile(errPath);
  return outcome;
}

class KestrovaMaskTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string pattern = (fs::temp_directory_path() / "kestrova-mask-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    scratch_ = pattern;
    std::ofstream(scratch_ / "lsan.supp") << "leak:__argz_add_sep\n";
  }
  static void TearDownTestSuite() { fs::remove_all(scratch_); }

  // A folder with a German and a French locale, compiled on first use; tests name it with
  // LOCPATH.
  static fs::path LocaleDir() {
    const fs::path dir = scratch_ / "locales";
    if (fs::create_directory(dir)) {
      for (const char* name : {"de_DE", "fr_FR"}) {
        const Outcome made = RunProgram({"/usr/bin/localedef", "-i", name, "-f", "UTF-8",
                                         (dir / (std::string(name) + ".UTF-8")).string()},
                                        {}, scratch_);
        EXPECT_EQ(made.exitCode, 0) << name << ": " << made.err;
      }
    }
    return dir;
  }

  Outcome Mask(const std::vector<std::string>& args, const std::string& locale = "C") {
    std::vector<std::string> argv{KESTROVA_MASK_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> env{"LC_ALL=" + locale};
    if (locale != "C") {
      env.push_back("LOCPATH=" + LocaleDir().string());
      env.push_back("LSAN_OPTIONS=print_suppressions=0:suppressions=" + (scratch_ / "lsan.supp").string());
    }
    return RunProgram(argv, env, scratch_);
  }

  static fs::path scratch_;
};

fs::path KestrovaMaskTest::scratch_;

TEST_F(KestrovaMaskTest, EachValueOnItsOwnLineAndBadValuesOnStderr) {
  const Outcome run = Mask({"_000000_", "40000", "abc", "20123", "1E18", "1,5"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out, "_040000_\n_020123_\n1E18\n");
  EXPECT_EQ(run.err,
            "'abc' is not a valid floating point value\n"
            "'1,5' is not a valid floating point value\n");

  const Outcome good = Mask({"#,##0.00", "1234567.891", " -5 "});
  EXPECT_EQ(good.exitCode, 0);
  EXPECT_EQ(good.out, "1,234,567.89\n-5.00\n");
  EXPECT_EQ(good.err, "");
}

TEST_F(KestrovaMaskTest, SeparatorsFromTheLocaleOrTheOptions) {
  const Outcome german = Mask({"#,##0.00", "1234567,891", "1234567.891"}, "de_DE.UTF-8");
  EXPECT_EQ(german.exitCode, 1);
  EXPECT_EQ(german.out, "1.234.567,89\n");
  EXPECT_EQ(german.err, "'1234567.891' is not a valid floating point value\n");

  const Outcome french = Mask({"#,##0.00", "1234567,891"}, "fr_FR.UTF-8");
  EXPECT_EQ(french.exitCode, 0);
  EXPECT_EQ(french.out, "1 234 567,89\n");

  const Outcome options = Mask({"--decimal", ",", "--thousands", "'", "#,##0.00", "1234567,891"});
  EXPECT_EQ(options.out, "1'234'567,89\n");
  const Outcome noGrouping = Mask({"--thousands", "", "#,##0", "1234567"}, "de_DE.UTF-8");
  EXPECT_EQ(noGrouping.out, "1234567\n");
  const Outcome dashMask = Mask({"--", "--0", "-5"});
  EXPECT_EQ(dashMask.out, "---5\n");
}

TEST_F(KestrovaMaskTest, HelpUsageErrorsAndLongMasks) {
  const Outcome help = Mask({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out.rfind("Usage: kestrova-mask [--decimal C] [--thousands C] MASK VALUE...", 0), 0u);
  EXPECT_NE(help.out.find("Exit code"), std::string::npos);

  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {}, {"0"}, {"--decimal", "ab", "0", "1"}, {"--decimal", "", "0", "1"}, {"0", "1", "--thousands"}}) {
    const Outcome run = Mask(args);
    EXPECT_EQ(run.exitCode, 2) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("Usage:"), std::string::npos);
  }

  const Outcome tooLong = Mask({std::string(225, '0'), "1"});
  EXPECT_EQ(tooLong.exitCode, 1);
  EXPECT_EQ(tooLong.out, "");
  EXPECT_EQ(tooLong.err, "Format string too long\n");
  EXPECT_EQ(Mask({std::string(224, '0'), "1"}).out, std::string(223, '0') + "1\n");
}

TEST_F(KestrovaMaskTest, ReadSeparatorsFromLocaleFollowsTheEnvironment) {
  const char* savedAll = std::getenv("LC_ALL");
  const std::string saved = savedAll ? savedAll : "";
  setenv("LOCPATH", LocaleDir().c_str(), 1);
  struct Case {
    const char* locale;
    char decimal, thousands;
  } cases[] = {
      {"de_DE.UTF-8", ',', '.'},
      {"fr_FR.UTF-8", ',', ' '},
      {"C", '.', ','},
      {"xx_XX.UTF-8", '.', ','},  // not installed
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.locale);
    DecimalSeparator = ThousandsSeparator = '?';
    setenv("LC_ALL", c.locale, 1);
    ReadSeparatorsFromLocale();
    EXPECT_EQ(DecimalSeparator, c.decimal);
    EXPECT_EQ(ThousandsSeparator, c.thousands);
  }
  unsetenv("LOCPATH");
  if (savedAll)
    setenv("LC_ALL", saved.c_str(), 1);
  else
    unsetenv("LC_ALL");
}

}  // namespace
}  // namespace kestrova
