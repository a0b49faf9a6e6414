#include "comport/com_error.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

TEST(EComPortTest, SystemErrorSuffixIsSignedDecimal) {
  struct Case {
    std::int32_t code, system;
    const char* message;
  } cases[] = {
      {errOpenFailed, 2, "Unable to open com port (win error code: 2)"},
      {errWriteFailed, 0, "WriteFile function failed (win error code: 0)"},
      {errSetTimeoutsFailed, static_cast<std::int32_t>(0x80000005u),
       "SetCommTimeouts failed (win error code: -2147483643)"},
      {errWaitFailed, 5, "WaitForEvent method failed (win error code: 5)"},
  };
  for (const Case& c : cases) {
    EComPort e(c.code, c.system);
    EXPECT_STREQ(e.what(), c.message);
    EXPECT_EQ(e.ErrorCode(), c.code);
    EXPECT_EQ(e.SystemErrorCode(), c.system);
  }
}

TEST(EComPortTest, WithoutSystemErrorKeepsTableText) {
  EComPort e = EComPort::CreateWithoutSystemError(errSyncMethodConnected);
  EXPECT_STREQ(e.what(), "Cannot set SyncMethod while connected");
  EXPECT_EQ(e.SystemErrorCode(), -1);
  EXPECT_EQ(e.ErrorCode(), 14);
  EXPECT_STREQ(EComPort::CreateWithoutSystemError(errInvalidTransfer).what(), "Invalid Async parameter");
}

TEST(EComPortTest, TableHasTwentyOneTextsWithoutPercentOrFullStop) {
  for (int code = 1; code <= 21; ++code) {
    std::string text = ComErrorMessage(code);
    ASSERT_FALSE(text.empty()) << code;
    EXPECT_EQ(text.find('%'), std::string::npos) << code;
    EXPECT_NE(text.back(), '.') << code;
  }
  EXPECT_STREQ(ComErrorMessage(0), "");
  EXPECT_STREQ(ComErrorMessage(22), "");
  EXPECT_STREQ(ComErrorMessage(18), "Link (un)registration failed");
}

}  // namespace
}  // namespace kestrova
