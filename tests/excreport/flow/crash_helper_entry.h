// Include in one source file of a test program that installs the crash handlers: should the
// program crash, the helper it starts (this program with the private flag) makes the report
// and ends instead of running the tests a second time.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "excreport/flow/crash_report.h"
#include "excreport/report/system_facts.h"

namespace kestrova::testing {

inline const bool kCrashHelperChecked = [] {
  std::string cmdline = ReadSystemFile("/proc/self/cmdline");
  std::vector<char*> argv;
  for (std::size_t start = 0; start < cmdline.size();) {
    argv.push_back(cmdline.data() + start);
    start = cmdline.find('\0', start) + 1;
    if (start == 0) break;
  }
  argv.push_back(nullptr);
  if (const auto code = RunCrashReportHelperIfRequested(static_cast<int>(argv.size()) - 1, argv.data()))
    std::_Exit(*code);
  return true;
}();

}  // namespace kestrova::testing
