// The per-user outbox of the mail client hand-over.
#include "excreport/delivery/mail_outbox.h"

#include <stdlib.h>

namespace kestrova {
namespace {

namespace fs = std::filesystem;

void RemoveOldEntries(const fs::path& outbox) {
  std::error_code error;
  const auto oldest = fs::file_time_type::clock::now() - kOutboxKeepTime;
  for (const fs::directory_entry& entry : fs::directory_iterator(outbox, error)) {
    std::error_code ignored;
    if (entry.last_write_time(ignored) < oldest) fs::remove_all(entry.path(), ignored);
  }
}

}  // namespace

fs::path DefaultMailOutbox() {
  const char* cache = getenv("XDG_CACHE_HOME");
  const char* home = getenv("HOME");
  const fs::path base = cache != nullptr && *cache != '\0' ? fs::path(cache)
                        : home != nullptr                  ? fs::path(home) / ".cache"
                                                           : fs::temp_directory_path();
  return base / "kestrova" / "outbox";
}

std::vector<std::string> PlaceInOutbox(const fs::path& outbox,
                                       const std::vector<std::string>& files,
                                       const std::vector<std::string>& sendNames) {
  std::error_code error;
  if (outbox.empty() || (fs::create_directories(outbox, error), error)) return files;
  RemoveOldEntries(outbox);
  std::string folder = (outbox / "mail-XXXXXX").string();
  if (mkdtemp(folder.data()) == nullptr) return files;
  std::vector<std::string> placed;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const fs::path copy = fs::path(folder) / sendNames.at(i);
    if (!fs::copy_file(files[i], copy, fs::copy_options::overwrite_existing, error)) return files;
    placed.push_back(copy.string());
  }
  return placed;
}

}  // namespace kestrova
