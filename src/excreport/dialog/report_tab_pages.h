// The pages on the report dialog's tabs.
#pragma once

#include <QTabWidget>
#include <QTreeWidget>
#include <memory>
#include <vector>

#include "excreport/dialog/dialog_coordinates.h"
#include "excreport/dialog/report_dialog_plan.h"
#include "excreport/options/quill_module_options.h"
#include "excreport/report/report_builder.h"

namespace kestrova {

// Adds one page per tab of `tabs` to `widget`, each a header line (texts 5, 7, 9, 11, 13) over
// its content: the general part and the CPU part as rich text from the report's rich-text form,
// the call stack tree, the modules list, the custom data as plain text. Column widths start at
// `widths`. The widgets belong to `widget`; this object only remembers the list pages and
// whether they were opened (their tab selected). GUI thread only.
class ReportTabPages final {
 public:
  ReportTabPages(QTabWidget& widget, const std::vector<ReportTab>& tabs, const QuillReport& report,
                 const ReportData& data, const TQuillModuleOptions& options, const DialogCoordinates& widths);

  // Writes the column widths of the list pages that were opened.
  void SaveColumnWidths(const CoordinatesFile& file) const;

  QTreeWidget* CallStackTree() const { return callStack_; }
  QTreeWidget* ModulesList() const { return modules_; }

 private:
  struct OpenedPages {
    const QWidget* CallStackView = nullptr;
    const QWidget* ModulesView = nullptr;
    bool CallStack = false;
    bool Modules = false;
  };
  std::shared_ptr<OpenedPages> opened_;
  QTreeWidget* callStack_ = nullptr;
  QTreeWidget* modules_ = nullptr;
};

}  // namespace kestrova
