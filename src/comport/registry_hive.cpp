#include "comport/registry_hive.h"

#include <charconv>
#include <cstdio>

namespace kestrova {
namespace {

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

// The key of that path in keys (const or not), or null.
template <typename Keys>
auto FindKeyIn(Keys& keys, std::string_view path) -> decltype(&keys.front()) {
  for (auto& key : keys) {
    if (SameName(key.path, path)) return &key;
  }
  return nullptr;
}

std::string Quote(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    const auto code = static_cast<unsigned char>(c);
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (code < 32 || code == 127) {
          char hex[5];
          std::snprintf(hex, sizeof hex, "\\x%02x", code);
          out += hex;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

// Reads a quoted text at the front of s and drops it from s; nullopt when malformed.
std::optional<std::string> Unquote(std::string_view& s) {
  if (s.empty() || s.front() != '"') return std::nullopt;
  std::string out;
  std::size_t i = 1;
  while (i < s.size() && s[i] != '"') {
    if (s[i] != '\\') {
      out += s[i++];
      continue;
    }
    if (++i >= s.size()) return std::nullopt;
    switch (s[i]) {
      case '\\': out += '\\'; break;
      case '"': out += '"'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case 'x': {
        unsigned code = 0;
        if (i + 2 >= s.size()) return std::nullopt;
        const auto [end, ec] = std::from_chars(s.data() + i + 1, s.data() + i + 3, code, 16);
        if (ec != std::errc{} || end != s.data() + i + 3) return std::nullopt;
        out += static_cast<char>(code);
        i += 2;
        break;
      }
      default: return std::nullopt;
    }
    ++i;
  }
  if (i >= s.size()) return std::nullopt;
  s.remove_prefix(i + 1);
  return out;
}

// One value line: "name"=sz:"text" or "name"=dword:XXXXXXXX.
bool ParseValueLine(std::string_view line, std::string& name, RegistryValue& value) {
  std::optional<std::string> quotedName = Unquote(line);
  if (!quotedName) return false;
  name = std::move(*quotedName);
  if (line.starts_with("=sz:")) {
    line.remove_prefix(4);
    std::optional<std::string> text = Unquote(line);
    if (!text || !line.empty()) return false;
    value = RegistryValue{RegistryValue::Type::Text, std::move(*text), 0};
    return true;
  }
  if (line.starts_with("=dword:")) {
    line.remove_prefix(7);
    std::uint32_t number = 0;
    const auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), number, 16);
    if (line.size() != 8 || ec != std::errc{} || end != line.data() + line.size()) return false;
    value = RegistryValue{RegistryValue::Type::Integer, {}, number};
    return true;
  }
  return false;
}

}  // namespace

std::optional<std::string> RegistryHive::NormalizeKeyPath(std::string_view path) {
  if (path.find_first_of("\r\n") != std::string_view::npos) return std::nullopt;
  std::string out;
  for (char c : path) {
    if (c == '\\' && (out.empty() || out.back() == '\\')) continue;
    out += c;
  }
  if (!out.empty() && out.back() == '\\') out.pop_back();
  return out;
}

std::optional<RegistryHive> RegistryHive::Parse(std::string_view text) {
  RegistryHive hive;
  Key* current = nullptr;
  while (!text.empty()) {
    const auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      // A bare CR inside the brackets is a line break no key path may hold.
      std::optional<std::string> path = NormalizeKeyPath(line.substr(1, line.size() - 2));
      if (!path) return std::nullopt;
      current = &hive.KeyFor(*path);
      continue;
    }
    std::string name;
    RegistryValue value;
    if (current == nullptr || !ParseValueLine(line, name, value)) return std::nullopt;
    hive.SetValue(current->path, name, std::move(value));
  }
  return hive;
}

std::string RegistryHive::Text() const {
  std::string out;
  for (const Key& key : keys_) {
    if (!out.empty()) out += '\n';
    out += "[" + key.path + "]\n";
    for (const auto& [name, value] : key.values) {
      out += Quote(name);
      if (value.type == RegistryValue::Type::Text) {
        out += "=sz:" + Quote(value.text) + "\n";
      } else {
        char hex[9];
        std::snprintf(hex, sizeof hex, "%08x", value.integer);
        out += std::string("=dword:") + hex + "\n";
      }
    }
  }
  return out;
}

const RegistryHive::Key* RegistryHive::FindKey(std::string_view path) const { return FindKeyIn(keys_, path); }

RegistryHive::Key& RegistryHive::KeyFor(std::string_view path) {
  if (Key* key = FindKeyIn(keys_, path)) return *key;
  keys_.push_back(Key{std::string(path), {}});
  return keys_.back();
}

bool RegistryHive::HasKey(std::string_view path) const { return FindKey(path) != nullptr; }

void RegistryHive::AddKey(std::string_view path) { KeyFor(path); }

const RegistryValue* RegistryHive::Value(std::string_view path, std::string_view name) const {
  const Key* key = FindKey(path);
  if (key == nullptr) return nullptr;
  for (const auto& [valueName, value] : key->values) {
    if (SameName(valueName, name)) return &value;
  }
  return nullptr;
}

void RegistryHive::SetValue(std::string_view path, std::string_view name, RegistryValue value) {
  Key& key = KeyFor(path);
  for (auto& [valueName, stored] : key.values) {
    if (SameName(valueName, name)) {
      stored = std::move(value);
      return;
    }
  }
  key.values.emplace_back(std::string(name), std::move(value));
}

}  // namespace kestrova
