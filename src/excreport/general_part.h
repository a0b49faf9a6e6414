// The general part of a report: sections 1 to 6 with their items.
#pragma once

#include <string>

#include "excreport/quill_module_options.h"
#include "excreport/report_data.h"

namespace kestrova {

// Items are shown as ReportItems says (bit = the item's position, from 0); the items of the
// active-controls section only in GUI programs. Labels are the options' texts.
std::string BuildGeneralPart(const ReportData& data, const TQuillModuleOptions& options);

}  // namespace kestrova
