// The stored form of a port's settings: which keys are written and read, in which order and form.
#pragma once

#include <cstdint>
#include <string>

namespace kestrova {

class TCustomComPort;

// What the key walk needs of a registry key or an INI section. Implementations raise their own
// exceptions; the walk lets every one pass.
class SettingsStorage {
 public:
  virtual ~SettingsStorage() = default;
  virtual void WriteText(const std::string& key, const std::string& value) = 0;
  virtual void WriteInteger(const std::string& key, std::int32_t value) = 0;
  // whenAbsent: what a storage with defaults gives for a missing key.
  virtual std::string ReadText(const std::string& key, const std::string& whenAbsent) = 0;
  virtual std::int32_t ReadInteger(const std::string& key, std::int32_t whenAbsent) = 0;
};

// Writes the port's StoredGroups, group by group in the order basic, misc, parity, buffer,
// timeouts, flow control; "CustomBaudRate" only while BaudRate is brCustom.
void WriteStoredSettings(const TCustomComPort& port, SettingsStorage& storage);
// Reads the same keys in the same order and applies each through the port's setter before the
// next is read (so a failure leaves the earlier ones applied). A key's value when absent is its
// current stored form, except "CustomBaudRate", which gives 9600; that key is read only when the
// port's BaudRate is brCustom once "BaudRate" has been applied.
void ReadStoredSettings(TCustomComPort& port, SettingsStorage& storage);

}  // namespace kestrova
