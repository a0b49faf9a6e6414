// The XML form of a log: every report split back into its sections, stacks, modules and CPU.
#pragma once

#include <string>
#include <vector>

#include "excreport/options/customized_texts.h"

namespace kestrova {

// "<Doc>", one "Log" element per report, "</Doc>". The thread kinds and labels of the call
// stack are recognised by `texts` (those the reports were written with).
std::string LogToXml(const std::vector<std::string>& reports, const TCustomizedTexts& texts);

}  // namespace kestrova
