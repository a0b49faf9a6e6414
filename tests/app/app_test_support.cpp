#include "app_test_support.h"

#include <QStyle>

namespace kestrova::testing {

void ClickCheckBox(QCheckBox* box) {
  QStyleOptionButton option;
  option.initFrom(box);
  const QRect indicator = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
  QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, indicator.center());
}

bool TickCounter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Timer) ++count_;
  return QObject::eventFilter(watched, event);
}

}  // namespace kestrova::testing
