// The modules page of the report dialog: one row per loaded module.
#pragma once

#include <QTreeWidget>
#include <array>

#include "excreport/options/quill_module_options.h"
#include "excreport/report/report_data.h"

namespace kestrova {

// Fills `list` with the columns texts 84 to 90 (handle, name, description, version, size,
// modified, path; version and size right-aligned) and one row per module, sizes in kilobytes.
// `widths` are in the order of the keys "ColMod0" to "ColMod6": the path's width (5) comes
// before the modified date's (6). GUI thread only.
void FillModulesList(QTreeWidget& list, const ReportData& data, const TQuillModuleOptions& options,
                     const std::array<int, 7>& widths);

// The widths of the columns now, in the order of the keys "ColMod0" to "ColMod6".
std::array<int, 7> ModuleColumnWidths(const QTreeWidget& list);

}  // namespace kestrova
