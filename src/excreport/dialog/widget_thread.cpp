#include "excreport/dialog/widget_thread.h"

#include <QApplication>
#include <QThread>

namespace kestrova {

bool OnWidgetThread() {
  const auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  return app != nullptr && QThread::currentThread() == app->thread();
}

}  // namespace kestrova
