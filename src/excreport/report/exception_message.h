// The message of an exception as the report, the simple dialog, the console and the web page
// show it.
#pragma once

#include <string>

#include "excreport/report/report_data.h"

namespace kestrova {

// The exception's message with a final "." (an empty message stays empty); an access violation
// with the standard message is rebuilt from the address, module and kind of access; a raised
// value that is no exception object gives "Unknown error message.".
std::string ExceptionMessageText(const ExceptionRecordData& exception);

// The exception's class name, or "Unknown exception type.".
std::string ExceptionTypeText(const ExceptionRecordData& exception);

}  // namespace kestrova
