#include "comport/com_error.h"

#include <array>
#include <cstdio>

namespace kestrova {
namespace {

constexpr std::array<const char*, 21> kMessages = {
    "Unable to open com port",
    "WriteFile function failed",
    "ReadFile function failed",
    "Invalid Async parameter",
    "PurgeComm function failed",
    "Unable to get async status",
    "SetCommState function failed",
    "SetCommTimeouts failed",
    "SetupComm function failed",
    "ClearCommError function failed",
    "GetCommModemStatus function failed",
    "EscapeCommFunction function failed",
    "TransmitCommChar function failed",
    "Cannot set SyncMethod while connected",
    "EnumPorts function failed",
    "Failed to store settings",
    "Failed to load settings",
    "Link (un)registration failed",
    "Cannot change led state if ComPort is selected",
    "Cannot wait for event if event thread is created",
    "WaitForEvent method failed",
};

std::string MessageWithSystemError(std::int32_t errorCode, std::int32_t systemErrorCode) {
  // The suffix is formatted as a signed decimal, so codes with the top bit set print negative.
  char suffix[48];
  std::snprintf(suffix, sizeof suffix, " (win error code: %d)", static_cast<int>(systemErrorCode));
  return std::string(ComErrorMessage(errorCode)) + suffix;
}

}  // namespace

const char* ComErrorMessage(std::int32_t errorCode) {
  if (errorCode < 1 || errorCode > static_cast<std::int32_t>(kMessages.size())) return "";
  return kMessages[static_cast<std::size_t>(errorCode - 1)];
}

EComPort::EComPort(std::int32_t errorCode, std::int32_t systemErrorCode)
    : EComPort(errorCode, systemErrorCode, MessageWithSystemError(errorCode, systemErrorCode)) {}

EComPort EComPort::CreateWithoutSystemError(std::int32_t errorCode) {
  return EComPort(errorCode, -1, ComErrorMessage(errorCode));
}

EComPort::EComPort(std::int32_t errorCode, std::int32_t systemErrorCode, const std::string& message)
    : std::runtime_error(message), systemErrorCode_(systemErrorCode), errorCode_(errorCode) {}

void CheckDeviceResult(int err, std::int32_t code) {
  if (err != 0) throw EComPort(code, err);
}

}  // namespace kestrova
