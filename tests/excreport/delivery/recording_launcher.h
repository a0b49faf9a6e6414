// A program launcher that records the commands instead of starting a mail client.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "excreport/delivery/program_launcher.h"

namespace kestrova::test {

class RecordingLauncher final : public ProgramLauncher {
 public:
  // What Run answers for a program (by its first word); exit code 0 when not set.
  std::map<std::string, LaunchResult> answers;
  std::vector<std::vector<std::string>> commands;

  LaunchResult Run(const std::vector<std::string>& command) override {
    commands.push_back(command);
    const auto found = answers.find(command.front());
    if (found != answers.end()) return found->second;
    return LaunchResult{true, 0, {}};
  }
};

}  // namespace kestrova::test
