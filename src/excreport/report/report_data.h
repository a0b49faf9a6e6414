// The values one exception report is built from, as plain data.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "excreport/report/register_context.h"

namespace kestrova {

// A moment: seconds since 1970-01-01 UTC and the local offset from UTC at that moment.
struct ReportTime {
  std::int64_t UnixSeconds = 0;
  std::int32_t UtcOffsetSeconds = 0;
};

// Section 1 of the general part.
struct ApplicationInfo {
  ReportTime StartTime;
  std::string Name;     // the main module's description, else its file name
  std::string Version;  // the main module's version
  std::vector<std::string> Parameters;
  std::optional<ReportTime> CompilationDate;  // empty when the data block holds no build date
};

// The details of an access violation that carries the run-time library's standard message.
struct AccessViolation {
  bool Write = false;
  std::uintptr_t TargetAddress = 0;
};

// The exception record: what was raised, where, and on which thread.
struct ExceptionRecordData {
  ReportTime Time;
  bool IsException = true;  // false for a raised value that is no exception object
  std::string ClassName;
  std::string Message;
  std::optional<AccessViolation> Violation;
  std::uintptr_t Address = 0;
  std::string Module;  // path of the module that holds Address, empty when none does
  // Where Address lies in Module, which, unlike Address, is the same at every start of the
  // program; absent when no module holds Address.
  std::optional<std::uintptr_t> ModuleOffset;
  std::uint32_t ThreadId = 0;
};

// Section 3: the foreground window and the focused control (GUI programs only).
struct ActiveControlsInfo {
  std::string FormClass;
  std::string FormText;
  std::string ControlClass;
  std::string ControlText;
};

struct DisplayMode {
  int Width = 0;
  int Height = 0;
  int BitsPerPixel = 0;
};

// Section 4. Sizes in bytes.
struct ComputerInfo {
  std::string Name;
  std::string User;
  std::uint64_t TotalMemory = 0;
  std::uint64_t FreeMemory = 0;
  std::uint64_t TotalDisk = 0;
  std::uint64_t FreeDisk = 0;
  std::uint64_t UpTimeMs = 0;
  std::string Processor;
  std::optional<DisplayMode> Display;  // absent when there is no screen
};

// Section 5.
struct OperatingSystemInfo {
  std::string Type;
  std::string Build;
  std::string Update;
  std::string Language;
};

// Section 6. Addresses in dotted form, empty when missing.
struct NetworkAdapter {
  std::string Address;
  std::string Mask;
  std::string Gateway;
  bool Dhcp = false;
};

struct NetworkInfo {
  std::vector<NetworkAdapter> Adapters;
  std::vector<std::string> DnsServers;
};

// One call stack entry. Kind 0 is a hidden entry, 1 an address without debug information,
// 2 to 4 addresses resolved by debug information.
struct StackEntry {
  std::uint8_t Kind = 1;
  std::string Module;  // path of the module holding Address
  std::uintptr_t Address = 0;
  std::string Unit;
  std::string Class;
  std::string Procedure;
  int Line = 0;    // 0 when unknown
  int Offset = 0;  // from the start of the line
  bool Hidden = false;

  bool Visible() const { return Kind != 0 && !Hidden; }
};

// The stack of one thread. A Calling block is the stack of the thread that created the thread
// of the block before it, recorded when that thread was created.
struct ThreadStack {
  std::uint32_t Id = 0;
  int Priority = 0;
  std::string Class;
  bool Main = false;
  bool Calling = false;
  std::vector<StackEntry> Entries;
};

struct ReportModule {
  std::uintptr_t Handle = 0;  // load address
  std::string Name;           // file name
  std::string Description;
  std::string Version;
  std::uint64_t Size = 0;
  ReportTime Modified;
  std::string Path;
};

struct ReportData {
  bool GuiProgram = true;
  ApplicationInfo Application;
  ExceptionRecordData Exception;
  ActiveControlsInfo ActiveControls;
  ComputerInfo Computer;
  OperatingSystemInfo System;
  NetworkInfo Network;
  std::vector<ThreadStack> Threads;
  std::vector<ReportModule> Modules;
  RegisterContext Registers;
  // 128 bytes from Registers.Rsp and 256 bytes from Exception.Address; shorter when unreadable.
  std::vector<std::uint8_t> StackBytes;
  std::vector<std::uint8_t> MemoryBytes;
  std::string CustomData;
  std::string ReproduceText;
};

}  // namespace kestrova
