// The contents of the registry stand-in: keys holding typed values, and their text form.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrova {

// A value as the registry keeps it: a text (REG_SZ) or a 32-bit integer (REG_DWORD).
struct RegistryValue {
  enum class Type { Text, Integer };
  Type type = Type::Text;
  std::string text;
  std::uint32_t integer = 0;
};

// Keys are paths of names joined by '\' ("Software\Kestrova\ComPort1"); key paths and value
// names compare ignoring ASCII letter case and keep the spelling they were created with. Keys and
// values keep the order in which they were added. Pure value type: no I/O, no shared state.
//
// Text form, one line each:
//   [Software\Kestrova\ComPort1]
//   "Port"=sz:"COM1"
//   "CustomBaudRate"=dword:00002580
// Names and texts are quoted, with \\, \", \n, \r, \t and \xHH (other control bytes) escaped;
// blank lines and lines beginning with ';' are ignored when read.
class RegistryHive final {
 public:
  // nullopt when a line is malformed.
  static std::optional<RegistryHive> Parse(std::string_view text);
  std::string Text() const;

  // The path without leading, trailing or doubled '\'; nullopt when it holds a line break.
  static std::optional<std::string> NormalizeKeyPath(std::string_view path);

  bool HasKey(std::string_view path) const;
  // Adds the key (and no parent keys: paths are names of their own) when it is missing.
  void AddKey(std::string_view path);
  // The value, or null when the key or the value is missing.
  const RegistryValue* Value(std::string_view path, std::string_view name) const;
  // Adds the key when it is missing; replaces a value of the name, whatever its type.
  void SetValue(std::string_view path, std::string_view name, RegistryValue value);

 private:
  struct Key {
    std::string path;
    std::vector<std::pair<std::string, RegistryValue>> values;
  };
  const Key* FindKey(std::string_view path) const;
  Key& KeyFor(std::string_view path);

  std::vector<Key> keys_;
};

}  // namespace kestrova
