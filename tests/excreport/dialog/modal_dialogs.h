// Helpers for tests that drive modal dialogs from inside their own event loop.
#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>
#include <memory>

namespace kestrova::test {

// Runs `act` on the first modal dialog of type T that comes up, from within its modal loop.
template <class T>
void WhenModal(std::function<void(T&)> act) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, act = std::move(act)] {
    if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      act(*dialog);
    }
  });
  timer->start(10);
}

// Runs `act` once on each modal dialog of type T that comes up while the returned timer lives.
template <class T>
std::unique_ptr<QTimer> OnEachModal(std::function<void(T&)> act) {
  auto timer = std::make_unique<QTimer>();
  QObject::connect(timer.get(), &QTimer::timeout, [act = std::move(act)] {
    auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
    if (dialog == nullptr || dialog->property("testActedOn").toBool()) return;
    dialog->setProperty("testActedOn", true);
    act(*dialog);
  });
  timer->start(10);
  return timer;
}

}  // namespace kestrova::test
