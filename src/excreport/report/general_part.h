// The general part of a report: sections 1 to 6 with their items.
#pragma once

#include <string>

#include "excreport/options/quill_module_options.h"
#include "excreport/report/report_data.h"

namespace kestrova {

// Items are shown as ReportItems says (bit = the item's position, from 0); the items of the
// active-controls section only in GUI programs. Labels are the options' texts.
std::string BuildGeneralPart(const ReportData& data, const TQuillModuleOptions& options);

// Item 2.2: the address in hexadecimal followed, when a module holds it, by the module's file
// name and the offset in it, "55D4C3A01A2C (kestrova+00001A2C)"; empty for address 0. The
// offset stays the same from one start to the next under address-space randomisation, so the
// duplicate check compares that part (ComparableItemValue).
std::string ExceptionAddressText(const ExceptionRecordData& exception);

}  // namespace kestrova
