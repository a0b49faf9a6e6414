#include "excreport/gui_thread.h"

#include <QApplication>
#include <QThread>

namespace kestrova {

bool OnGuiThread() {
  const auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  return app != nullptr && QThread::currentThread() == app->thread();
}

}  // namespace kestrova
