#include "excreport/dialog/call_stack_tree.h"

#include <algorithm>

#include "excreport/dialog/stack_entry_icons.h"
#include "excreport/report/report_formats.h"
#include "excreport/report/report_parts.h"

namespace kestrova {
namespace {

constexpr int kLineColumn = 5;
constexpr int kIconSize = 16;

// The address column also holds the tree's indentation and the entry's picture; the stored
// width "Col0" is that of the address alone, as in a flat list.
int AddressExtra(const QTreeWidget& tree) { return tree.indentation() + kIconSize + 4; }

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

void FillCallStackTree(QTreeWidget& tree, const ReportData& data, const TQuillModuleOptions& options,
                       std::string_view programPath, const std::array<int, 6>& widths) {
  tree.clear();
  QStringList titles;
  for (int text = 62; text <= 67; ++text) titles << Q(options.Text(text));
  tree.setHeaderLabels(titles);
  tree.headerItem()->setTextAlignment(kLineColumn, Qt::AlignRight | Qt::AlignVCenter);
  tree.setIconSize(QSize(kIconSize, kIconSize));
  tree.setIndentation(12);
  for (int column = 0; column < 6; ++column) tree.setColumnWidth(column, widths[static_cast<std::size_t>(column)]);
  tree.setColumnWidth(0, widths[0] + AddressExtra(tree));
  tree.setSelectionBehavior(QAbstractItemView::SelectRows);
  tree.setAllColumnsShowFocus(true);

  const bool withProcedures = (options.StackFlags() & 0x10) == 0;
  for (const ThreadStack* thread : CallStackBlockOrder(data.Threads, data.Exception.ThreadId)) {
    auto* node = new QTreeWidgetItem(&tree, QStringList{Q(ThreadBanner(*thread, data.Exception.ThreadId, options))});
    node->setFirstColumnSpanned(true);
    QFont bold = node->font(0);
    bold.setBold(true);
    node->setFont(0, bold);
    for (const StackEntry& entry : thread->Entries) {
      if (!entry.Visible()) continue;
      auto* row = new QTreeWidgetItem(node, QStringList{Q(FormatHex8(entry.Address)), Q(FileNameOf(entry.Module)),
                                                        Q(entry.Unit), Q(entry.Class),
                                                        withProcedures ? Q(entry.Procedure) : QString(),
                                                        Q(StackLineText(entry))});
      row->setTextAlignment(kLineColumn, Qt::AlignRight | Qt::AlignVCenter);
      row->setIcon(0, StackEntryIcon(PictureOf(entry, programPath)));
    }
    node->setExpanded(true);
  }
}

std::array<int, 6> CallStackColumnWidths(const QTreeWidget& tree) {
  std::array<int, 6> widths{};
  for (int column = 0; column < 6; ++column) widths[static_cast<std::size_t>(column)] = tree.columnWidth(column);
  widths[0] = std::max(0, widths[0] - AddressExtra(tree));
  return widths;
}

}  // namespace kestrova
