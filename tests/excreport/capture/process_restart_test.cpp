#include "excreport/capture/process_restart.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace kestrova {
namespace {

namespace fs = std::filesystem;

TEST(ProcessRestart, OwnCommandKeepsTheStartDirectory) {
  const fs::path start = fs::current_path();
  RememberStartDirectory();
  fs::current_path("/");
  const ProgramCommand own = OwnProgramCommand();
  fs::current_path(start);
  EXPECT_EQ(own.Directory, start.string());
  EXPECT_EQ(own.Executable, fs::read_symlink("/proc/self/exe").string());
  ASSERT_FALSE(own.Arguments.empty());
  EXPECT_EQ(fs::path(own.Arguments[0]).filename(), fs::path(own.Executable).filename());
}

TEST(ProcessRestart, StartsTheCommandInItsDirectoryAndOwnProcessGroup) {
  const fs::path dir = fs::temp_directory_path() / ("kestrova-restart-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const fs::path out = dir / "out.txt";
  // The started shell writes its directory, its arguments and whether it leads its own group.
  const pid_t child = StartProgram(
      {"/bin/sh",
       {"sh", "-c", "pwd > out.txt; echo \"$1|$2\" >> out.txt; read -r _ _ _ _ g _ < /proc/$$/stat; "
                    "[ \"$g\" = \"$$\" ] && echo leader >> out.txt",
        "restarted", "one", "two words"},
       dir.string()});
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  std::ifstream file(out);
  std::string directory, arguments, leader;
  std::getline(file, directory);
  std::getline(file, arguments);
  std::getline(file, leader);
  EXPECT_EQ(fs::path(directory), fs::canonical(dir));
  EXPECT_EQ(arguments, "one|two words");
  EXPECT_EQ(leader, "leader");
  fs::remove_all(dir);

  EXPECT_THROW(StartProgram({"/nonexistent/program", {"x"}, "/"}), std::system_error);
}

}  // namespace
}  // namespace kestrova
