// A fixed report data model and helpers shared by the report and log tests.
#pragma once

#include <fstream>
#include <iterator>
#include <string>

#include "excreport/report/report_data.h"

namespace kestrova::test {

// Mon, 3 Mar 2025 09:05:07 at UTC+1.
inline constexpr ReportTime kExceptionTime{1740989107, 3600};

inline ReportData FixedReportData() {
  ReportData data;
  data.GuiProgram = true;
  data.Application = ApplicationInfo{ReportTime{1740988800, 3600}, "kestrova", "1.0.0.0", {"-x", "a b"}, ReportTime{1740700800, 3600}};
  data.Exception.Time = kExceptionTime;
  data.Exception.ClassName = "EConvertError";
  data.Exception.Message = "'abc' is not a valid integer value";
  data.Exception.Address = 0x00401A2C;
  data.Exception.Module = "/usr/bin/kestrova";
  data.Exception.ThreadId = 4242;
  data.ActiveControls = ActiveControlsInfo{"TFMain", "Kestrova", "TEdit", "abc"};
  data.Computer = ComputerInfo{"WORKSTATION", "operator", 8ull << 30, 3ull << 29, 500ull << 30, 123456789012ull,
                               ((2 * 24 + 1) * 3600 + 5) * 1000ull, "Intel(R) Core(TM) i5", DisplayMode{1920, 1080, 24}};
  data.System = OperatingSystemInfo{"Debian GNU/Linux 12 (bookworm)", "6.1.0-18-amd64", " #1 SMP Debian ", "en_US.UTF-8"};
  data.Network.Adapters = {NetworkAdapter{"192.168.1.10", "255.255.255.0", "192.168.1.1", true},
                           NetworkAdapter{"10.0.0.5", "255.0.0.0", "", false}};
  data.Network.DnsServers = {"192.168.1.1"};

  ThreadStack main{4242, 0, "", true, false, {}};
  main.Entries = {StackEntry{2, "/usr/bin/kestrova", 0x00401A2C, "main_window", "TFMain", "Timer1Timer", 112, 3, false},
                  StackEntry{0, "/usr/bin/kestrova", 0x00401000, "", "", "", 0, 0, false},
                  StackEntry{2, "/usr/bin/kestrova", 0x00402000, "main_window", "TFMain", "Timer1Timer", 98, 0, true},
                  StackEntry{1, "/usr/lib/x86_64-linux-gnu/libc.so.6", 0x7F3A12345678, "", "", "abort", 0, 0, false}};
  ThreadStack worker{4250, -2, "TComThread", false, false, {}};
  worker.Entries = {StackEntry{2, "/usr/bin/kestrova", 0x00405000, "com_thread", "TComThread", "Execute", 40, 0, false}};
  ThreadStack creator{4242, 0, "", true, true, {}};
  creator.Entries = {StackEntry{2, "/usr/bin/kestrova", 0x00406000, "com_port", "TComPort", "Open", 77, 12, false}};
  // The exception thread's block is written first whatever its place in the list.
  data.Threads = {worker, creator, main};

  data.Modules = {ReportModule{0x00400000, "kestrova", "", "0.0.0.0", 2097152, ReportTime{1740700800, 3600}, "/usr/bin/kestrova"},
                  ReportModule{0x7F3A12300000, "libc.so.6", "", "0.0.0.0", 1953792, ReportTime{1700000000, 3600},
                               "/usr/lib/x86_64-linux-gnu/libc.so.6"}};
  data.Registers = RegisterContext{.Rax = 1, .Rbx = 2, .Rcx = 3, .Rdx = 4, .Rsi = 6, .Rdi = 5, .Rbp = 0x7FFD1234FFC0,
                                   .Rsp = 0x7FFD1234FF80, .R8 = 8, .R12 = 12, .R15 = 0xFFFFFFFFFFFFFFFF,
                                   .Rip = 0x00401A2C};
  for (int i = 0; i < 128; ++i) data.StackBytes.push_back(static_cast<std::uint8_t>(i * 3));
  for (int i = 0; i < 256; ++i) data.MemoryBytes.push_back(static_cast<std::uint8_t>(i));
  data.CustomData = "Port: COM3\r\n\r\nBaud: 9600";
  data.ReproduceText = "Start the loop.";
  return data;
}

// The test's CMakeLists.txt compiles the source folder in.
inline std::string SourcePath(const std::string& relative) {
  return std::string(KESTROVA_SOURCE_DIR) + "/tests/excreport/" + relative;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace kestrova::test
