#include "excreport/dialog/gui_bridge.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QThread>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace kestrova {
namespace {

std::atomic<bool> abandoned{false};
// GUI thread only: how many RunOnGuiThread calls are running; input passes while one does.
int guiCallDepth = 0;

// Keyboard and mouse-button input is dropped while the GUI thread waits for a report.
class InputDropFilter final : public QObject {
 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (guiCallDepth > 0) return false;
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
      case QEvent::NonClientAreaMouseButtonPress:
      case QEvent::NonClientAreaMouseButtonDblClick:
        QApplication::beep();
        return true;
      case QEvent::KeyRelease:
      case QEvent::MouseButtonRelease:
      case QEvent::NonClientAreaMouseButtonRelease:
      case QEvent::Wheel:
      case QEvent::ShortcutOverride:
        return true;
      default:
        return false;
    }
  }
};

struct GuiCall {
  std::mutex mutex;
  std::condition_variable done;
  bool taken = false;
  bool finished = false;
  bool cancelled = false;
  std::exception_ptr error;
};

void RunCounted(const std::function<void()>& call) {
  ++guiCallDepth;
  try {
    call();
  } catch (...) {
    --guiCallDepth;
    throw;
  }
  --guiCallDepth;
}

QWidget* MainWindow() {
  if (QWidget* active = QApplication::activeWindow()) return active;
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (widget->isWindow() && widget->isVisible()) return widget;
  return nullptr;
}

}  // namespace

bool IsGuiProgram() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

bool OnGuiThread() {
  const QCoreApplication* app = QCoreApplication::instance();
  return app != nullptr && QThread::currentThread() == app->thread();
}

bool RunOnGuiThread(const std::function<void()>& call) {
  if (!IsGuiProgram()) return false;
  if (OnGuiThread()) {
    RunCounted(call);
    return true;
  }
  auto state = std::make_shared<GuiCall>();
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [state, &call] {
        {
          std::lock_guard lock(state->mutex);
          if (state->cancelled) return;  // `call` may be gone: the caller stopped waiting
          state->taken = true;
        }
        try {
          RunCounted(call);
        } catch (...) {
          state->error = std::current_exception();
        }
        std::lock_guard lock(state->mutex);
        state->finished = true;
        state->done.notify_all();
      },
      Qt::QueuedConnection);
  std::unique_lock lock(state->mutex);
  while (!state->finished) {
    if (!state->taken && (abandoned.load() || !IsGuiProgram())) {
      state->cancelled = true;
      return false;
    }
    state->done.wait_for(lock, std::chrono::milliseconds(10));
  }
  if (state->error) std::rethrow_exception(state->error);
  return true;
}

void AbandonGuiCalls(bool abandon) { abandoned.store(abandon); }

void PumpGuiEvents() {
  if (!OnGuiThread()) return;
  InputDropFilter filter;
  QCoreApplication::instance()->installEventFilter(&filter);
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  QCoreApplication::instance()->removeEventFilter(&filter);
}

void BringMainWindowForward() {
  if (!OnGuiThread() || qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return;
  QWidget* window = MainWindow();
  if (window == nullptr) return;
  if (window->isMinimized()) window->showNormal();
  window->show();
  window->raise();
  window->activateWindow();
}

ActiveControlFacts NoteActiveControls() {
  ActiveControlFacts facts;
  if (!OnGuiThread() || qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return facts;
  if (QWidget* window = QApplication::activeWindow()) {
    facts.Controls.FormClass = window->metaObject()->className();
    facts.Controls.FormText = window->windowTitle().toStdString();
  }
  QWidget* focus = QApplication::focusWidget();
  if (focus == nullptr) return facts;
  facts.Controls.ControlClass = focus->metaObject()->className();
  const QVariant text = focus->property("text");
  if (text.canConvert<QString>()) {
    const QString value = text.toString();
    const auto* edit = qobject_cast<QLineEdit*>(focus);
    const bool password = edit != nullptr && edit->echoMode() != QLineEdit::Normal;
    facts.Controls.ControlText = password ? std::string(static_cast<std::size_t>(value.size()), '*') : value.toStdString();
  }
  facts.FocusRect = QRect(focus->mapToGlobal(QPoint(0, 0)), focus->size());
  return facts;
}

void CopyTextToClipboard(const std::string& text) {
  if (!OnGuiThread()) return;
  QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

std::optional<DisplayMode> PrimaryDisplayMode() {
  if (!OnGuiThread()) return std::nullopt;
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return std::nullopt;
  const QSize size = screen->geometry().size() * screen->devicePixelRatio();
  return DisplayMode{size.width(), size.height(), screen->depth()};
}

}  // namespace kestrova
