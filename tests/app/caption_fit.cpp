#include "caption_fit.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>

namespace kestrova::testing {

int CaptionOverflow(const QWidget& control) {
  const QFontMetrics metrics(control.font());
  if (auto* label = qobject_cast<const QLabel*>(&control))
    return metrics.horizontalAdvance(label->text()) - label->contentsRect().width();
  if (auto* box = qobject_cast<const QGroupBox*>(&control)) {
    QStyleOptionGroupBox option;
    option.initFrom(box);
    option.text = box->title();
    option.subControls = QStyle::SC_GroupBoxLabel;
    const QRect title =
        box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
    return title.right() - box->rect().right();
  }
  if (auto* button = qobject_cast<const QAbstractButton*>(&control)) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const bool check = qobject_cast<const QCheckBox*>(button) != nullptr;
    if (!check) option.features |= QStyleOptionButton::AutoDefaultButton;  // the widest frame
    const QRect contents = button->style()->subElementRect(
        check ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents, &option, button);
    // A push button's text also keeps the style's button margin (split over both sides).
    const int margins =
        check ? 0 : button->style()->pixelMetric(QStyle::PM_ButtonMargin, &option, button);
    return metrics.horizontalAdvance(button->text()) + margins - contents.width();
  }
  return 0;
}

void ExpectCaptionsFit(const QWidget& form) {
  const QList<QWidget*> controls = form.findChildren<QWidget*>();
  for (const QWidget* control : controls) {
    if (control->objectName().isEmpty() || control->objectName().startsWith("qt_")) continue;
    SCOPED_TRACE(control->objectName().toStdString());
    const int overflow = CaptionOverflow(*control);
    EXPECT_LE(overflow, 0) << "the caption needs " << overflow << " pixels more than "
                           << control->width();
    for (const QWidget* other : controls) {
      if (other == control || other->parentWidget() != control->parentWidget() ||
          other->objectName().isEmpty() || other->objectName().startsWith("qt_"))
        continue;
      EXPECT_FALSE(control->geometry().intersects(other->geometry()))
          << "overlaps " << other->objectName().toStdString();
    }
  }
}

}  // namespace kestrova::testing
