#include "excreport/dialog/report_dialog.h"

#include <QDesktopServices>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "excreport/dialog/stack_entry_icons.h"

namespace kestrova {
namespace {

// The dialog's own background colour (DialogFlags bit 7).
const QColor kOwnBackground(212, 208, 200);
constexpr int kErrorPictureSize = 32;
// How far the screenshot box sits right of the send box it depends on.
constexpr int kScreenshotIndent = 12;

QString Q(const std::string& text) { return QString::fromStdString(text); }
QString LineBreaks(const std::string& text) { return Q(text).replace("\r\n", "\n"); }

QRect ScreenRect(const QWidget& widget) {
  const QScreen* screen = widget.screen() != nullptr ? widget.screen() : QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->geometry() : QRect(0, 0, 1024, 768);
}

int WindowsStateOf(Qt::WindowStates states) {
  if (states.testFlag(Qt::WindowMaximized)) return kStateMaximized;
  if (states.testFlag(Qt::WindowMinimized)) return kStateMinimized;
  return kStateNormal;
}

}  // namespace

ReportDialog::ReportDialog(const QuillReport& report, const ReportData& data, const TQuillModuleOptions& options,
                           const ReportDialogContext& context, QWidget* parent)
    : QDialog(parent),
      plan_(PlanReportDialog(options, context.ErrorCount, context.Duplicate, !data.CustomData.empty())),
      coordinates_(context.CoordinatesPath.isEmpty() ? CoordinatesFile::DefaultPath() : context.CoordinatesPath),
      message_(LineBreaks(context.Message)),
      detailedMessage_(LineBreaks(options.Text(3))),
      detailsText_(Q(options.Text(17))),
      supportPage_(Q(options.SupportPage()).trimmed()) {
  setWindowTitle(Q(options.Text(2)));
  QFont small = font();  // the stored column widths were made for an 8-point font
  small.setPointSize(8);
  setFont(small);
  BuildWidgets(options);
  const DialogCoordinates stored = coordinates_.Load();
  pages_ = std::make_unique<ReportTabPages>(*tabs_, plan_.Tabs, report, data, options, stored);
  tabs_->setCurrentIndex(plan_.FirstTab);
  ApplyLook();
  okButton_->setFocus();
  if (plan_.StartDetailed) {
    EnterDetailed();
  } else {
    EnterSimple();
  }
  autoClose_ = std::make_unique<AutoCloseCounter>(*this, plan_.CloseSecs, context.CloseTick, [this] {
    autoClosed_ = true;
    accept();
  });
  keepInFront_ = std::make_unique<KeepInFront>(*this);
  connect(tabs_, &QTabWidget::currentChanged, this, &ReportDialog::ResetAutoClose);
}

ReportDialog::~ReportDialog() = default;

void ReportDialog::BuildWidgets(const TQuillModuleOptions& options) {
  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(10, 8, 10, 6);

  auto* messageRow = new QHBoxLayout;
  auto* picture = new QLabel;
  picture->setPixmap(ErrorPicture(kErrorPictureSize));
  picture->setAlignment(Qt::AlignTop);
  messageLabel_ = new QLabel;
  messageLabel_->setObjectName("message");
  messageLabel_->setTextFormat(Qt::PlainText);
  messageLabel_->setAlignment(Qt::AlignCenter);
  messageLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  messageRow->addWidget(picture);
  messageRow->addWidget(messageLabel_, 1);
  root->addLayout(messageRow);

  tabs_ = new QTabWidget;
  tabs_->setObjectName("tabs");
  root->addWidget(tabs_, 1);

  endButton_ = new QPushButton(Q(options.Text(plan_.EndButtonText)));
  endButton_->setObjectName("endButton");
  endButton_->setAutoDefault(false);
  endButton_->setVisible(plan_.EndButtonShown);
  okButton_ = new QPushButton(Q(options.Text(14)));
  okButton_->setObjectName("okButton");
  okButton_->setDefault(true);
  detailsButton_ = new QPushButton;
  detailsButton_->setObjectName("detailsButton");
  detailsButton_->setAutoDefault(false);
  detailsButton_->setVisible(plan_.DetailsShown);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  for (QPushButton* button : {endButton_, okButton_, detailsButton_}) {
    button->setMinimumWidth(90);
    buttons->addWidget(button);
    buttons->addStretch(1);
  }
  root->addLayout(buttons);

  auto* line = new QFrame;
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  line_ = line;
  root->addWidget(line_);
  strip_ = BuildStrip(options);
  root->addWidget(strip_);
  line_->setVisible(plan_.StripHeight > 0);
  strip_->setVisible(plan_.StripHeight > 0);

  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
  connect(endButton_, &QPushButton::clicked, this, [this] {
    terminate_ = true;
    accept();
  });
  connect(detailsButton_, &QPushButton::clicked, this, [this] {
    ResetAutoClose();
    SetDetailed(!detailed_);
  });
}

QWidget* ReportDialog::BuildStrip(const TQuillModuleOptions& options) {
  auto* strip = new QWidget;
  strip->setObjectName("strip");
  strip->setFixedHeight(plan_.StripHeight);
  sendBox_ = new QCheckBox(Q(options.Text(18)));
  sendBox_->setObjectName("sendBox");
  screenshotBox_ = new QCheckBox(Q(options.Text(19)));
  screenshotBox_->setObjectName("screenshotBox");
  copyBox_ = new QCheckBox(Q(options.Text(20)));
  copyBox_->setObjectName("copyBox");
  copyBox_->setLayoutDirection(Qt::RightToLeft);  // its text stands left of the box
  supportLink_ = new QLabel(QStringLiteral("<a href=\"support\">%1</a>").arg(Q(options.Text(21)).toHtmlEscaped()));
  supportLink_->setObjectName("supportLink");
  supportLink_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);

  sendBox_->setChecked(plan_.SendChecked);
  screenshotBox_->setChecked(plan_.ScreenshotChecked);
  screenshotBox_->setEnabled(sendBox_->isChecked());
  sendBox_->setVisible(plan_.SendPossible);
  screenshotBox_->setVisible(plan_.SendPossible && plan_.ScreenshotPossible);
  copyBox_->setVisible(plan_.CopyBoxShown);
  supportLink_->setVisible(plan_.SupportLinkShown);

  auto* grid = new QGridLayout(strip);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setVerticalSpacing(0);
  grid->setColumnStretch(1, 1);
  grid->addWidget(sendBox_, 0, 0);
  grid->addWidget(copyBox_, 0, 2, Qt::AlignRight);
  auto* indented = new QHBoxLayout;
  indented->setContentsMargins(kScreenshotIndent, 0, 0, 0);
  indented->addWidget(screenshotBox_);
  grid->addLayout(indented, 1, 0);
  grid->addWidget(supportLink_, 1, 2, Qt::AlignRight);

  // The simple mode is at least as wide as the two check box texts side by side.
  const QFontMetrics metrics(strip->font());
  strip->setMinimumWidth(metrics.horizontalAdvance(Q(options.Text(18) + "    " + options.Text(20))) + 48);

  connect(sendBox_, &QCheckBox::toggled, this, [this](bool checked) {
    ResetAutoClose();
    screenshotBox_->setEnabled(checked);
  });
  for (QCheckBox* box : {screenshotBox_, copyBox_}) connect(box, &QCheckBox::toggled, this, &ReportDialog::ResetAutoClose);
  connect(supportLink_, &QLabel::linkActivated, this, &ReportDialog::OpenSupportPage);
  return strip;
}

void ReportDialog::ApplyLook() {
  // The flags are fixed before the window exists: changing them later hides the window, which
  // would end the modal loop. The simple mode is kept from resizing by a fixed size instead.
  Qt::WindowFlags flags = (plan_.OwnLook ? Qt::Tool : Qt::Dialog) | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint;
  if (!plan_.OwnLook) flags |= Qt::WindowSystemMenuHint;
  if (plan_.TopMost) flags |= Qt::WindowStaysOnTopHint;
  setWindowFlags(flags);
  QPalette colours = palette();
  colours.setColor(QPalette::Window, plan_.OwnLook ? kOwnBackground : colours.color(QPalette::Button));
  setPalette(colours);
  setAutoFillBackground(true);
}

void ReportDialog::SizeMessage() {
  const QFontMetrics metrics(messageLabel_->font());
  const int limit = ScreenRect(*this).width() * 3 / 4;
  int widest = 0;
  for (const QString& line : messageLabel_->text().split('\n')) widest = std::max(widest, metrics.horizontalAdvance(line));
  messageLabel_->setWordWrap(widest > limit);
  messageLabel_->setMinimumWidth(std::min(widest, limit));
}

void ReportDialog::EnterSimple() {
  detailed_ = false;
  detailsButton_->setText(detailsText_ + " >>");
  messageLabel_->setText(message_);
  SizeMessage();
  tabs_->hide();
  setWindowState(windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized));
  layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void ReportDialog::EnterDetailed() {
  detailed_ = true;
  detailsButton_->setText("<< " + detailsText_);
  messageLabel_->setText(detailedMessage_);
  SizeMessage();
  tabs_->show();
  layout()->setSizeConstraint(QLayout::SetDefaultConstraint);
  setMinimumSize(layout()->minimumSize());
  setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);

  const DialogCoordinates stored = coordinates_.Load();
  const QRect screen = ScreenRect(*this);
  // Stored values may be anything (an edited file): the window never grows past the screen, so
  // that OK and Details stay reachable, and no sum below can overflow.
  const int width = std::clamp(stored.Width, 1, std::max(1, screen.width()));
  const int height = std::clamp(stored.Height, 1, std::max(1, screen.height() - plan_.StripHeight)) + plan_.StripHeight;
  int left = stored.Left.value_or((screen.width() - width) / 2);
  int top = stored.Top.value_or((screen.height() - height) / 2);
  left = std::max(0, std::min(left, screen.width() - width));
  top = std::max(0, std::min(top, screen.height() - height));
  resize(width, height);
  move(left, top);
  if (stored.WindowsState == kStateMaximized) setWindowState(windowState() | Qt::WindowMaximized);
}

void ReportDialog::SaveDetailedGeometry() {
  const int state = WindowsStateOf(windowState());
  if (state == kStateNormal) coordinates_.SaveWindow(width(), height() - plan_.StripHeight, x(), y());
  coordinates_.SaveWindowsState(state);
}

void ReportDialog::SetDetailed(bool detailed) {
  if (detailed == detailed_) return;
  if (detailed) {
    EnterDetailed();
  } else {
    SaveDetailedGeometry();
    EnterSimple();
  }
}

void ReportDialog::OpenSupportPage() {
  ResetAutoClose();
  SetStaysOnTop(*this, false);
  QDesktopServices::openUrl(QUrl::fromUserInput(supportPage_));
}

void ReportDialog::ResetAutoClose() {
  if (autoClose_) autoClose_->Reset();
}

void ReportDialog::done(int result) {
  if (!finished_) {
    finished_ = true;
    if (detailed_) SaveDetailedGeometry();
    pages_->SaveColumnWidths(coordinates_);
  }
  QDialog::done(result);
}

ReportDialogResult ReportDialog::Outcome() const {
  ReportDialogResult result;
  result.Shown = finished_;
  result.SendChecked = sendBox_->isChecked();
  result.ScreenshotChecked = screenshotBox_->isChecked();
  result.CopyChecked = copyBox_->isChecked();
  result.TerminateRequested = terminate_;
  result.AutoClosed = autoClosed_;
  return result;
}

}  // namespace kestrova
