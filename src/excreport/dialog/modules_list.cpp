#include "excreport/dialog/modules_list.h"

#include "excreport/report/report_formats.h"

namespace kestrova {
namespace {

// The key index of each shown column: "Modified" is shown before "Path" but stored after it.
constexpr std::array<std::size_t, 7> kWidthKey = {0, 1, 2, 3, 4, 6, 5};
constexpr int kVersionColumn = 3;
constexpr int kSizeColumn = 4;

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

void FillModulesList(QTreeWidget& list, const ReportData& data, const TQuillModuleOptions& options,
                     const std::array<int, 7>& widths) {
  list.clear();
  QStringList titles;
  for (int text = 84; text <= 90; ++text) titles << Q(options.Text(text));
  list.setHeaderLabels(titles);
  list.setRootIsDecorated(false);
  list.setAllColumnsShowFocus(true);
  for (int column : {kVersionColumn, kSizeColumn}) {
    list.headerItem()->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
  }
  for (int column = 0; column < 7; ++column) list.setColumnWidth(column, widths[kWidthKey[static_cast<std::size_t>(column)]]);
  for (const ReportModule& module : data.Modules) {
    auto* row = new QTreeWidgetItem(&list, QStringList{Q(FormatHex8(module.Handle)), Q(module.Name), Q(module.Description),
                                                       Q(module.Version), Q(FormatKilobytes(module.Size)),
                                                       Q(FormatReportDate(module.Modified)), Q(module.Path)});
    for (int column : {kVersionColumn, kSizeColumn}) row->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
  }
}

std::array<int, 7> ModuleColumnWidths(const QTreeWidget& list) {
  std::array<int, 7> widths{};
  for (int column = 0; column < 7; ++column) widths[kWidthKey[static_cast<std::size_t>(column)]] = list.columnWidth(column);
  return widths;
}

}  // namespace kestrova
