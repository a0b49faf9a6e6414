#include "app/command_line.h"

#include <charconv>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <utility>

#include "comport/device/port_map.h"

namespace kestrova {
namespace {

class UsageError final : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

constexpr std::string_view kHeadlessOnly[] = {"--port", "--fixed",    "--random",
                                              "--mask", "--interval", "--count"};

long long PositiveNumber(std::string_view option, std::string_view text, long long highest) {
  long long value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 1 || value > highest) {
    throw UsageError(std::string(option) + " needs a whole number from 1 to " + std::to_string(highest) +
                     ", not '" + std::string(text) + "'");
  }
  return value;
}

// Walks the arguments, taking each option's values from "=value" or the following arguments.
class ArgumentReader final {
 public:
  explicit ArgumentReader(std::span<const std::string_view> args) : args_(args) {}

  bool Next() {
    if (index_ >= args_.size()) return false;
    std::string_view arg = args_[index_++];
    inline_.reset();
    const auto eq = arg.find('=');
    if (arg.starts_with("--") && eq != std::string_view::npos) {
      inline_ = arg.substr(eq + 1);
      arg = arg.substr(0, eq);
    }
    option_ = arg;
    return true;
  }
  std::string_view Option() const { return option_; }
  std::string Value() {
    if (inline_) return std::string(*std::exchange(inline_, std::nullopt));
    if (index_ >= args_.size()) throw UsageError(std::string(option_) + " needs a value");
    return std::string(args_[index_++]);
  }
  void NoValue() const {
    if (inline_) throw UsageError(std::string(option_) + " takes no value");
  }

 private:
  std::span<const std::string_view> args_;
  std::size_t index_ = 0;
  std::string_view option_;
  std::optional<std::string_view> inline_;
};

CommandLine ParseHeadless(std::span<const std::string_view> args) {
  CommandLine line{.kind = CommandKind::Headless, .options = {}, .error = {}};
  HeadlessOptions& o = line.options;
  bool readingGiven = false;
  ArgumentReader reader(args);
  while (reader.Next()) {
    const std::string_view option = reader.Option();
    if (option == "--headless") {
      reader.NoValue();
    } else if (option == "--port") {
      o.port = reader.Value();
      if (ComPortNumber(o.port) == 0)
        throw UsageError("--port needs a name from COM1 to COM16, not '" + o.port + "'");
    } else if (option == "--fixed" || option == "--random") {
      if (readingGiven) throw UsageError("give one of --fixed and --random, once");
      readingGiven = true;
      o.fixed = option == "--fixed";
      if (o.fixed) {
        o.fixedText = reader.Value();
      } else {
        o.lowText = reader.Value();
        o.highText = reader.Value();
      }
    } else if (option == "--mask") {
      o.mask = reader.Value();
    } else if (option == "--interval") {
      o.intervalMs = static_cast<int>(PositiveNumber(option, reader.Value(), 3'600'000));
    } else if (option == "--count") {
      o.count = PositiveNumber(option, reader.Value(), 1'000'000'000'000);
    } else {
      throw UsageError("unknown argument '" + std::string(option) + "'");
    }
  }
  return line;
}

bool HasAny(std::span<const std::string_view> args, std::initializer_list<std::string_view> options) {
  for (std::string_view arg : args) {
    const std::string_view name = arg.substr(0, arg.find('='));
    for (std::string_view option : options) {
      if (name == option) return true;
    }
  }
  return false;
}

}  // namespace

CommandLine ParseCommandLine(std::span<const std::string_view> args) {
  if (HasAny(args, {"--help"})) return {.kind = CommandKind::Help, .options = {}, .error = {}};
  if (HasAny(args, {"--version"})) return {.kind = CommandKind::Version, .options = {}, .error = {}};
  try {
    if (HasAny(args, {"--headless"})) return ParseHeadless(args);
    for (std::string_view option : kHeadlessOnly) {
      if (HasAny(args, {option})) throw UsageError(std::string(option) + " needs --headless");
    }
  } catch (const UsageError& e) {
    return {.kind = CommandKind::Invalid, .options = {}, .error = e.what()};
  }
  return {};
}

std::string UsageText() {
  return "Usage: kestrova [--headless [--port COMn] [--fixed VALUE | --random LOW HIGH]\n"
         "                [--mask MASK] [--interval MS] [--count N]]\n"
         "Stands in for a measuring device that sends readings over a serial line.\n"
         "Without --headless the window opens. With it, the transmit loop runs without a window:\n"
         "  --port COMn        the port to send on (default COM2; the port map says which device)\n"
         "  --fixed VALUE      send this reading (default 40000)\n"
         "  --random LOW HIGH  send random whole readings from LOW up to, not including, HIGH\n"
         "  --mask MASK        the format mask (default _000000_)\n"
         "  --interval MS      milliseconds between readings (default 50)\n"
         "  --count N          stop after N readings (default: until Ctrl-C or SIGTERM)\n"
         "Each reading is printed on stdout as it is sent; port trouble goes to stderr.\n"
         "Exit codes: 0 done, 1 a reading or mask that cannot be used (or a failure), 2 bad arguments.\n"
         "  --help             this text\n"
         "  --version          the program's version\n";
}

}  // namespace kestrova
