#include "block_embedder.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <vector>

#include "excreport/options/data_block.h"
#include "excreport/options/debug_protection.h"
#include "excreport/options/quill_module_options.h"
#include "executable_options.h"

extern char** environ;

namespace kestrova {
namespace {

// Runs a program found on PATH and waits for it; returns its exit status or -1.
int Run(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t child = 0;
  if (::posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  if (::waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

std::string BuildExecutableBlock(const DebugTableSource& table, const std::string& password,
                                 const TestOptionOverrides& overrides) {
  TQuillModuleOptions options("", false);
  ApplyExecutableOptions(options);
  ApplyTestOptionOverrides(options, overrides);
  ByteWriter stream;
  options.SaveToStream(stream);

  const ProtectedDebugInfo debug = ProtectDebugInfo(EncodeDebugTable(table), password);
  DataBlock block;
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  block.BuildDate = BuildDateFromUnixTime(std::chrono::duration<double>(now).count());
  block.Options = stream.Take();
  block.CheckWord = debug.CheckWord;
  block.DebugInfo = debug.Data;
  return EncodeDataBlock(block);
}

std::string EmbedBlock(const std::string& path, const std::string& block) {
  const std::string blockFile = path + ".qmdata";
  {
    std::ofstream out(blockFile, std::ios::binary | std::ios::trunc);
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
    if (!out) return "cannot write " + blockFile;
  }
  const std::string section = kDataBlockSectionName;
  // A section that is not loaded and not debug information survives strip.
  const int status = Run({"objcopy", "--remove-section", section, "--add-section", section + "=" + blockFile,
                          "--set-section-flags", section + "=noload,readonly", path});
  ::unlink(blockFile.c_str());
  return status == 0 ? std::string() : "objcopy failed on " + path;
}

}  // namespace kestrova
