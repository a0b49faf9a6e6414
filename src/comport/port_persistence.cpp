// The persistence operations of TCustomComPort: the key walk of stored_settings.h over a registry
// key or an INI section.
#include "comport/custom_com_port.h"
#include "comport/ini_file.h"
#include "comport/registry.h"
#include "comport/stored_settings.h"

namespace kestrova {
namespace {

// A registry key has no defaults: a missing text reads empty, a missing integer fails.
class RegistryStorage final : public SettingsStorage {
 public:
  explicit RegistryStorage(TRegistry& registry) : registry_(registry) {}
  void WriteText(const std::string& key, const std::string& value) override { registry_.WriteString(key, value); }
  void WriteInteger(const std::string& key, std::int32_t value) override { registry_.WriteInteger(key, value); }
  std::string ReadText(const std::string& key, const std::string&) override { return registry_.ReadString(key); }
  std::int32_t ReadInteger(const std::string& key, std::int32_t) override { return registry_.ReadInteger(key); }

 private:
  TRegistry& registry_;
};

class IniSectionStorage final : public SettingsStorage {
 public:
  IniSectionStorage(TIniFile& ini, std::string section) : ini_(ini), section_(std::move(section)) {}
  void WriteText(const std::string& key, const std::string& value) override { ini_.WriteString(section_, key, value); }
  void WriteInteger(const std::string& key, std::int32_t value) override { ini_.WriteInteger(section_, key, value); }
  std::string ReadText(const std::string& key, const std::string& whenAbsent) override {
    return ini_.ReadString(section_, key, whenAbsent);
  }
  std::int32_t ReadInteger(const std::string& key, std::int32_t whenAbsent) override {
    return ini_.ReadInteger(section_, key, whenAbsent);
  }

 private:
  TIniFile& ini_;
  std::string section_;
};

}  // namespace

void TCustomComPort::WriteSettingsToRegistry(TRegistry& Registry) const {
  RegistryStorage storage(Registry);
  WriteStoredSettings(*this, storage);
}

void TCustomComPort::WriteSettingsToIniFile(TIniFile& IniFile) const {
  IniSectionStorage storage(IniFile, objectName().toStdString());
  WriteStoredSettings(*this, storage);
}

void TCustomComPort::ReadSettingsFromRegistry(TRegistry& Registry) {
  RegistryStorage storage(Registry);
  ReadStoredSettings(*this, storage);
}

void TCustomComPort::ReadSettingsFromIniFile(TIniFile& IniFile) {
  IniSectionStorage storage(IniFile, objectName().toStdString());
  ReadStoredSettings(*this, storage);
}

}  // namespace kestrova
