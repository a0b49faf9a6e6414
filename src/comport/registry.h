// TRegistry: the per-user registry stand-in, a file of keys holding typed values.
#pragma once

#include "comport/registry_hive.h"

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace kestrova {

// Raised by the value operations; the message names the value ("Failed to get data for 'X'").
class ERegistryException final : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Stands in for the current user's registry: one file (RegistryHive's text form) holds every
// key. OpenKey reads the file and makes a key current; the value operations work on that key.
// Each write reads the file again and saves it whole at once (to a temporary file renamed over
// it), so two objects on one file never drop each other's values; reads see the file as it was
// at the last OpenKey or write. Values keep their type, text or
// 32-bit integer, so a read of the wrong type fails as it would on the real thing.
// Single-threaded.
class TRegistry final {
 public:
  // registry.reg in the program's config folder.
  static std::filesystem::path DefaultFileName();

  explicit TRegistry(std::filesystem::path fileName = DefaultFileName());

  const std::filesystem::path& FileName() const { return fileName_; }

  // Makes Key (a path like "Software\Kestrova\Ports") current, creating it when CanCreate is
  // set. False, with no key current, when the key is missing and not to be created, when the
  // file cannot be read or is malformed, or when a created key cannot be saved.
  bool OpenKey(const std::string& Key, bool CanCreate);
  void CloseKey();
  bool HasCurrentKey() const { return hasKey_; }
  const std::string& CurrentPath() const { return currentPath_; }

  bool ValueExists(const std::string& Name) const;
  // A missing value reads as the empty text; a value of another type fails with
  // "Invalid data type for '<Name>'".
  std::string ReadString(const std::string& Name) const;
  // A missing value fails with "Failed to get data for '<Name>'"; a value of another type with
  // "Invalid data type for '<Name>'".
  std::int32_t ReadInteger(const std::string& Name) const;
  // Without a current key, or when the file cannot be saved, fail with
  // "Failed to set data for '<Name>'"; the stored values are then as before the call.
  void WriteString(const std::string& Name, const std::string& Value);
  void WriteInteger(const std::string& Name, std::int32_t Value);

 private:
  void Write(const std::string& Name, RegistryValue value);
  bool Load();
  bool Save() const;

  std::filesystem::path fileName_;
  RegistryHive hive_;
  bool hasKey_ = false;
  std::string currentPath_;
};

}  // namespace kestrova
