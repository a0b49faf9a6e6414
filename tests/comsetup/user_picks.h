// Picking a selector's entry the way a user does, through real input events.
#pragma once

#include "comsetup/com_combo_box.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QTest>

namespace kestrova {

// With the arrow keys on the closed box.
inline void PickWithKeys(TComComboBox& box, const QString& text) {
  const int target = box.findText(text);
  ASSERT_GE(target, 0) << text.toStdString();
  while (box.currentIndex() < target) QTest::keyClick(&box, Qt::Key_Down);
  while (box.currentIndex() > target) QTest::keyClick(&box, Qt::Key_Up);
}

// With the mouse in the opened list; the box must be shown.
inline void PickWithMouse(TComComboBox& box, const QString& text) {
  const int target = box.findText(text);
  ASSERT_GE(target, 0) << text.toStdString();
  box.showPopup();
  QAbstractItemView* view = box.view();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
  const QRect item = view->visualRect(view->model()->index(target, 0));
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item.center());
  QTRY_VERIFY(!view->isVisible());
}

}  // namespace kestrova
