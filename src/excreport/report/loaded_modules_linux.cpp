// The loaded modules on Linux: the files mapped into this process.
#include <sys/stat.h>

#include "excreport/report/proc_parsers.h"
#include "excreport/report/report_formats.h"
#include "excreport/report/system_facts.h"

namespace kestrova {

std::vector<ReportModule> CollectLoadedModules(const std::string& processFolder) {
  std::vector<ReportModule> modules;
  for (const MappedFile& file : ParseMappedFiles(ReadSystemFile((processFolder + "/maps").c_str()))) {
    ReportModule module;
    module.Handle = file.Start;
    module.Name = FileNameOf(file.Path);
    module.Version = "0.0.0.0";
    module.Size = file.End - file.Start;
    module.Path = file.Path;
    struct stat status {};
    if (::stat(file.Path.c_str(), &status) == 0) module.Modified = LocalReportTime(status.st_mtime);
    modules.push_back(std::move(module));
  }
  return modules;
}

}  // namespace kestrova
