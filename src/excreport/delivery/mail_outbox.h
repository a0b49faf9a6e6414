// The per-user outbox: copies of the files handed to the desktop's mail client, kept after the
// send step has removed its temporary files.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace kestrova {

// Entries older than this are removed when a later send places its files.
inline constexpr std::chrono::hours kOutboxKeepTime{24 * 7};

// $XDG_CACHE_HOME/kestrova/outbox, or ~/.cache/kestrova/outbox.
std::filesystem::path DefaultMailOutbox();

// Copies each file into a new folder of its own (mode 0700) under the outbox, named as given
// in sendNames (same order), and returns the copies' paths. A mail client usually returns at
// once and reads its attachments later, when the send step's temporary files are gone. First
// removes outbox entries older than kOutboxKeepTime. When the outbox cannot be written, the
// files are returned as they are.
std::vector<std::string> PlaceInOutbox(const std::filesystem::path& outbox,
                                       const std::vector<std::string>& files,
                                       const std::vector<std::string>& sendNames);

}  // namespace kestrova
