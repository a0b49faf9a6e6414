// The call stack page of the report dialog: one collapsible node per thread.
#pragma once

#include <QTreeWidget>
#include <array>
#include <string_view>

#include "excreport/options/quill_module_options.h"
#include "excreport/report/report_data.h"

namespace kestrova {

// Fills `tree` with the columns texts 62 to 67 (the line column right-aligned) at `widths`, then
// one expanded node per thread block in report order, titled like the report's block banner,
// with a row per visible entry marked by the picture of its kind. Widths are those of the
// columns' text: the first column is made wider by the tree's indentation and the picture. Procedure names are left out
// when StackFlags bit 4 is set. `programPath` is the running executable. GUI thread only.
void FillCallStackTree(QTreeWidget& tree, const ReportData& data, const TQuillModuleOptions& options,
                       std::string_view programPath, const std::array<int, 6>& widths);

// The widths of the six columns now.
std::array<int, 6> CallStackColumnWidths(const QTreeWidget& tree);

}  // namespace kestrova
