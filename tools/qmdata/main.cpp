// qmdata: writes the "QMDATA" data block into an executable after linking.
// Usage: qmdata [--password TEXT] [--dialog-close-secs N] EXECUTABLE
// --dialog-close-secs is for test builds (the soak benchmark): the shipped options set none.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "block_embedder.h"
#include "dwarf_table_reader.h"

int main(int argc, char** argv) {
  std::string password;
  kestrova::TestOptionOverrides overrides;
  std::string path;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--password" && i + 1 < argc) {
      password = argv[++i];
    } else if (argument == "--dialog-close-secs" && i + 1 < argc) {
      overrides.DialogCloseSecs = std::atoi(argv[++i]);
    } else if (path.empty() && !argument.starts_with("--")) {
      path = argument;
    } else {
      std::fprintf(stderr, "usage: qmdata [--password TEXT] [--dialog-close-secs N] EXECUTABLE\n");
      return 2;
    }
  }
  if (path.empty()) {
    std::fprintf(stderr, "usage: qmdata [--password TEXT] [--dialog-close-secs N] EXECUTABLE\n");
    return 2;
  }
  std::optional<kestrova::DebugTableSource> table = kestrova::ReadDwarfTable(path);
  if (!table) {
    std::fprintf(stderr, "qmdata: %s is not a readable ELF file\n", path.c_str());
    return 1;
  }
  if (table->BuildId.empty()) {
    std::fprintf(stderr, "qmdata: %s has no build-id; link it with --build-id\n", path.c_str());
    return 1;
  }
  if (table->Functions.empty()) std::fprintf(stderr, "qmdata: warning: %s carries no debug information\n", path.c_str());
  const std::string error = kestrova::EmbedBlock(path, kestrova::BuildExecutableBlock(*table, password, overrides));
  if (!error.empty()) {
    std::fprintf(stderr, "qmdata: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
