#include "excreport/dialog/report_tab_pages.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QVBoxLayout>

#include "excreport/dialog/call_stack_tree.h"
#include "excreport/dialog/modules_list.h"
#include "excreport/dialog/rich_text_form.h"
#include "excreport/dialog/rtf_to_html.h"

namespace kestrova {
namespace {

// The font named in the rich-text form; the page shows it in the system's fixed font.
constexpr char kRichTextFont[] = "Courier New";
constexpr int kAnsiCharset = 0;

struct TabTexts {
  int Title;
  int Header;
};

TabTexts TextsOf(ReportTab tab) {
  switch (tab) {
    case ReportTab::General: return {4, 5};
    case ReportTab::CallStack: return {6, 7};
    case ReportTab::Modules: return {8, 9};
    case ReportTab::Cpu: return {10, 11};
    case ReportTab::Other: break;
  }
  return {12, 13};
}

QString Q(const std::string& text) { return QString::fromStdString(text); }

QString LineBreaks(const std::string& text) { return Q(text).replace("\r\n", "\n"); }

QWidget* RichTextView(const std::string& text) {
  auto* view = new QTextEdit;
  view->setReadOnly(true);
  view->setLineWrapMode(QTextEdit::NoWrap);
  view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  view->setHtml(Q(RtfToHtml(RichTextForm(text, kAnsiCharset, kRichTextFont))));
  return view;
}

QWidget* PlainTextView(const std::string& text) {
  auto* view = new QPlainTextEdit;
  view->setReadOnly(true);
  view->setLineWrapMode(QPlainTextEdit::NoWrap);
  view->setPlainText(LineBreaks(text));
  return view;
}

QWidget* Page(const std::string& header, QWidget* content) {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(4, 3, 4, 4);
  layout->setSpacing(3);
  auto* label = new QLabel(Q(header));
  label->setTextFormat(Qt::PlainText);
  label->setObjectName("pageHeader");
  layout->addWidget(label);
  layout->addWidget(content, 1);
  return page;
}

}  // namespace

ReportTabPages::ReportTabPages(QTabWidget& widget, const std::vector<ReportTab>& tabs, const QuillReport& report,
                               const ReportData& data, const TQuillModuleOptions& options,
                               const DialogCoordinates& widths)
    : opened_(std::make_shared<OpenedPages>()) {
  // The connection lives as long as the tab widget, which may outlive this object.
  QObject::connect(&widget, &QTabWidget::currentChanged, &widget, [&widget, opened = opened_](int index) {
    const QWidget* content = index < 0 ? nullptr : widget.widget(index)->findChild<QWidget*>("pageContent");
    if (content != nullptr && content == opened->CallStackView) opened->CallStack = true;
    if (content != nullptr && content == opened->ModulesView) opened->Modules = true;
  });
  const std::string program = QCoreApplication::applicationFilePath().toStdString();
  for (ReportTab tab : tabs) {
    QWidget* content = nullptr;
    switch (tab) {
      case ReportTab::General: content = RichTextView(report.General); break;
      case ReportTab::Cpu: content = RichTextView(report.Cpu); break;
      case ReportTab::Other: content = PlainTextView(data.CustomData); break;
      case ReportTab::CallStack:
        callStack_ = new QTreeWidget;
        FillCallStackTree(*callStack_, data, options, program, widths.Col);
        content = callStack_;
        opened_->CallStackView = callStack_;
        break;
      case ReportTab::Modules:
        modules_ = new QTreeWidget;
        FillModulesList(*modules_, data, options, widths.ColMod);
        content = modules_;
        opened_->ModulesView = modules_;
        break;
    }
    content->setObjectName("pageContent");
    const TabTexts texts = TextsOf(tab);
    widget.addTab(Page(options.Text(texts.Header), content), Q(options.Text(texts.Title)));
  }
}

void ReportTabPages::SaveColumnWidths(const CoordinatesFile& file) const {
  if (opened_->CallStack) file.SaveCallStackColumns(CallStackColumnWidths(*callStack_));
  if (opened_->Modules) file.SaveModuleColumns(ModuleColumnWidths(*modules_));
}

}  // namespace kestrova
