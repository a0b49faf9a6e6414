// The program's command line: the window by default, or a headless run of the transmit loop.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kestrova {

// What a headless run sends, with the window's stored defaults.
struct HeadlessOptions {
  std::string port = "COM2";
  bool fixed = true;  // --fixed VALUE, or --random LOW HIGH
  std::string fixedText = "40000";
  std::string lowText = "20000";
  std::string highText = "20500";
  std::string mask = "_000000_";
  int intervalMs = 50;
  std::optional<long long> count;  // ticks before the end; none: until a signal
};

enum class CommandKind {
  Window,    // no option of ours: the arguments are the toolkit's
  Headless,  // --headless
  Help,      // --help: usage on stdout, exit 0
  Version,   // --version: version on stdout, exit 0
  Invalid,   // usage and the error on stderr, exit 2
};

struct CommandLine {
  CommandKind kind = CommandKind::Window;
  HeadlessOptions options;
  std::string error;  // for Invalid
};

// The arguments after the program name. Values are the texts as given: the reading and the
// range are converted at each tick, as the window's edit boxes are, so a bad one fails there.
// Options take their value as the next argument or after "=". The headless options without
// --headless are an error; anything else without it is left to the toolkit.
CommandLine ParseCommandLine(std::span<const std::string_view> args);

// The usage text for --help and for errors.
std::string UsageText();

// Exit codes of a headless run.
inline constexpr int kExitDone = 0;     // --count reached, Ctrl-C or SIGTERM
inline constexpr int kExitFailure = 1;  // a reading that is not a number, a failure
inline constexpr int kExitUsage = 2;    // bad arguments

}  // namespace kestrova
