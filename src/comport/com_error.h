// EComPort: the one exception class of the serial port component, with its 21 error codes.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace kestrova {

enum ComPortErrorCode : std::int32_t {
  errOpenFailed = 1,
  errWriteFailed = 2,
  errReadFailed = 3,
  errInvalidTransfer = 4,
  errPurgeFailed = 5,
  errAsyncStatus = 6,
  errSetStateFailed = 7,
  errSetTimeoutsFailed = 8,
  errSetupFailed = 9,
  errClearErrorFailed = 10,
  errModemStatusFailed = 11,
  errEscapeFailed = 12,
  errTransmitCharFailed = 13,
  errSyncMethodConnected = 14,
  errEnumPortsFailed = 15,
  errStoreFailed = 16,
  errLoadFailed = 17,
  errObserverRegistration = 18,
  errIndicatorSelected = 19,
  errWaitWithThread = 20,
  errWaitFailed = 21,
};

// Raises EComPort with code and err unless err is 0: the one place where a failure of the
// device layer (an errno) becomes a port error.
void CheckDeviceResult(int err, std::int32_t code);

// The message text of a port error code (1..21); empty for any other code.
const char* ComErrorMessage(std::int32_t errorCode);

// Raised by every failing port operation, on the thread that ran it. SystemErrorCode is the
// errno read right after the failing system call, or -1 when no system call failed.
class EComPort : public std::runtime_error {
 public:
  // Message: the table text followed by " (win error code: %d)" with the system error code.
  EComPort(std::int32_t errorCode, std::int32_t systemErrorCode);
  // Message: the table text unchanged; SystemErrorCode is -1.
  static EComPort CreateWithoutSystemError(std::int32_t errorCode);

  std::int32_t SystemErrorCode() const { return systemErrorCode_; }
  std::int32_t ErrorCode() const { return errorCode_; }

 private:
  EComPort(std::int32_t errorCode, std::int32_t systemErrorCode, const std::string& message);

  std::int32_t systemErrorCode_;
  std::int32_t errorCode_;
};

}  // namespace kestrova
