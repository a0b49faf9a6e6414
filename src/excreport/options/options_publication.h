// Publishing a module's options in named shared memory for the other modules of the process.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace kestrova {

// One named block per module and process: "MODULE", then the module handle (its load address)
// and the process ID, each as upper-case hexadecimal of at least 8 digits. The block holds the
// payload size as a 32-bit little-endian word, then the payload. Realised as a POSIX shared
// memory object of that name, removed when the publication is closed or destroyed.
class OptionsPublication final {
 public:
  OptionsPublication() = default;
  ~OptionsPublication() { Close(); }
  OptionsPublication(const OptionsPublication&) = delete;
  OptionsPublication& operator=(const OptionsPublication&) = delete;

  static std::string BlockName(std::uintptr_t moduleHandle, pid_t processId);

  // Replaces any earlier publication by a block of that name holding `payload`.
  // Returns false when the block could not be made; nothing is published then.
  bool Publish(const std::string& name, std::string_view payload);
  void Close();

  // The payload of a block another module published, or nothing when there is none.
  static std::optional<std::string> Read(const std::string& name);
  // Removes a block another process published and can no longer remove (it crashed).
  static void Remove(const std::string& name);
  // Removes the blocks of processes that no longer exist (killed or crashed before they could
  // remove their own); blocks of running processes stay. `folder` is where the system keeps
  // its shared memory objects.
  static void RemoveAbandoned(const std::string& folder = "/dev/shm");

 private:
  std::string name_;
};

}  // namespace kestrova
