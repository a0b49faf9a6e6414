#include "comport/registry.h"

#include "comport/device/config_folder.h"
#include "comport/text_file.h"

namespace kestrova {
namespace {

ERegistryException ValueError(const char* what, const std::string& name) {
  return ERegistryException(std::string(what) + " '" + name + "'");
}

}  // namespace

std::filesystem::path TRegistry::DefaultFileName() { return KestrovaConfigFolder() / "registry.reg"; }

TRegistry::TRegistry(std::filesystem::path fileName) : fileName_(std::move(fileName)) {}

bool TRegistry::Load() {
  const std::optional<std::string> text = ReadWholeFile(fileName_);
  std::optional<RegistryHive> hive = text ? RegistryHive::Parse(*text) : std::nullopt;
  if (!hive) return false;
  hive_ = std::move(*hive);
  return true;
}

bool TRegistry::Save() const { return ReplaceFile(fileName_, hive_.Text()); }

bool TRegistry::OpenKey(const std::string& Key, bool CanCreate) {
  CloseKey();
  std::optional<std::string> path = RegistryHive::NormalizeKeyPath(Key);
  if (!path || !Load()) return false;
  if (!hive_.HasKey(*path)) {
    if (!CanCreate) return false;
    RegistryHive before = hive_;
    hive_.AddKey(*path);
    if (!Save()) {
      hive_ = std::move(before);
      return false;
    }
  }
  hasKey_ = true;
  currentPath_ = *path;
  return true;
}

void TRegistry::CloseKey() {
  hasKey_ = false;
  currentPath_.clear();
}

bool TRegistry::ValueExists(const std::string& Name) const {
  return hasKey_ && hive_.Value(currentPath_, Name) != nullptr;
}

std::string TRegistry::ReadString(const std::string& Name) const {
  const RegistryValue* value = hasKey_ ? hive_.Value(currentPath_, Name) : nullptr;
  if (value == nullptr) return {};
  if (value->type != RegistryValue::Type::Text) throw ValueError("Invalid data type for", Name);
  return value->text;
}

std::int32_t TRegistry::ReadInteger(const std::string& Name) const {
  const RegistryValue* value = hasKey_ ? hive_.Value(currentPath_, Name) : nullptr;
  if (value == nullptr) throw ValueError("Failed to get data for", Name);
  if (value->type != RegistryValue::Type::Integer) throw ValueError("Invalid data type for", Name);
  return static_cast<std::int32_t>(value->integer);
}

void TRegistry::WriteString(const std::string& Name, const std::string& Value) {
  Write(Name, RegistryValue{RegistryValue::Type::Text, Value, 0});
}

void TRegistry::WriteInteger(const std::string& Name, std::int32_t Value) {
  Write(Name, RegistryValue{RegistryValue::Type::Integer, {}, static_cast<std::uint32_t>(Value)});
}

void TRegistry::Write(const std::string& Name, RegistryValue value) {
  // Read again first, so that values another object wrote to the file since are kept.
  if (!hasKey_ || !Load()) throw ValueError("Failed to set data for", Name);
  RegistryHive before = hive_;
  hive_.SetValue(currentPath_, Name, std::move(value));
  if (!Save()) {
    hive_ = std::move(before);
    throw ValueError("Failed to set data for", Name);
  }
}

}  // namespace kestrova
