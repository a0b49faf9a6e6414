// The application object's central exception handler and locale notice, in a real Qt event
// loop (offscreen).
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <stdexcept>
#include <string>
#include <vector>

#include "app/convert_error.h"
#include "app/format_separators.h"
#include "app_test_support.h"

namespace kestrova {
namespace {

using testing::App;

// Throws from inside an event handler (a zero-time timer), the way a failing tick does, and
// runs the event loop until that event has been handled.
template <typename Raise>
void RaiseFromEventHandler(Raise raise) {
  bool ran = false;
  QTimer::singleShot(0, [&] {
    ran = true;
    raise();
  });
  EXPECT_TRUE(QTest::qWaitFor([&] { return ran; }, 1000));
  QCoreApplication::processEvents();
}

std::vector<QMessageBox*> OpenBoxes() {
  std::vector<QMessageBox*> boxes;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) boxes.push_back(box);
  return boxes;
}

class ApplicationTest : public ::testing::Test {
 protected:
  void TearDown() override {
    App().SetExceptionHook({});
    if (QMessageBox* box = App().ExceptionBox()) box->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
};

TEST_F(ApplicationTest, ExceptionsLeavingAHandlerReachTheHookAndTheLoopGoesOn) {
  std::vector<std::string> seen;
  App().SetExceptionHook([&seen](const std::exception_ptr& error) {
    seen.push_back(TApplication::ExceptionMessage(error));
    return true;
  });
  RaiseFromEventHandler([] { throw EConvertError("'abc' is not a valid floating point value"); });
  RaiseFromEventHandler([] { throw 42; });
  RaiseFromEventHandler([] {});
  EXPECT_EQ(seen, (std::vector<std::string>{"'abc' is not a valid floating point value.",
                                            "An exception of an unknown kind was raised."}));
  EXPECT_TRUE(OpenBoxes().empty()) << "the hook took them";
}

TEST_F(ApplicationTest, StandardDisplayShowsOneBoxAtATime) {
  RaiseFromEventHandler([] { throw std::runtime_error("first"); });
  std::vector<QMessageBox*> boxes = OpenBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  QMessageBox* first = boxes.front();
  EXPECT_EQ(first, App().ExceptionBox());
  EXPECT_EQ(first->text(), "first.");
  EXPECT_EQ(first->windowTitle(), "Kestrova");
  EXPECT_EQ(first->icon(), QMessageBox::Critical);
  EXPECT_FALSE(first->isModal()) << "the main window stays usable, to stop the loop";

  // While the box is open, later failures (a running loop fails every 50 ms) add no box.
  for (int i = 0; i < 5; ++i) RaiseFromEventHandler([] { throw std::runtime_error("again"); });
  EXPECT_EQ(OpenBoxes(), boxes);
  EXPECT_EQ(first->text(), "first.");

  first->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(App().ExceptionBox(), nullptr);
  RaiseFromEventHandler([] { throw 7; });
  boxes = OpenBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes.front()->text(), "An exception of an unknown kind was raised.");
}

TEST_F(ApplicationTest, DeclinedOrFailingHookFallsBackToTheBox) {
  for (bool hookThrows : {false, true}) {
    SCOPED_TRACE(hookThrows ? "hook throws" : "hook declines");
    int calls = 0;
    App().SetExceptionHook([&calls, hookThrows](const std::exception_ptr&) -> bool {
      ++calls;
      if (hookThrows) throw std::logic_error("hook failed");
      return false;
    });
    RaiseFromEventHandler([] { throw std::runtime_error("shown anyway"); });
    EXPECT_EQ(calls, 1);
    ASSERT_NE(App().ExceptionBox(), nullptr);
    EXPECT_EQ(App().ExceptionBox()->text(), "shown anyway.");
    App().ExceptionBox()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

TEST(ApplicationMessageTest, FullStopUnlessTheMessageEndsInPunctuation) {
  const struct {
    const char* message;
    const char* shown;
  } cases[] = {
      {"Format string too long", "Format string too long."},
      {"Unable to open com port (win error code: 2)",
       "Unable to open com port (win error code: 2)"},
      {"done.", "done."},
      {"stop!", "stop!"},
      {"'x'", "'x'"},
      {"", "An exception of an unknown kind was raised."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(
        TApplication::ExceptionMessage(std::make_exception_ptr(std::runtime_error(c.message))),
        c.shown);
  }
  EXPECT_EQ(TApplication::ExceptionMessage(nullptr), "An exception of an unknown kind was raised.");
}

TEST_F(ApplicationTest, LocaleChangeReadsTheSeparatorsAgain) {
  const char* saved = std::getenv("LC_ALL");
  const std::string savedValue = saved ? saved : "";
  ::setenv("LC_ALL", "C", 1);
  DecimalSeparator = ThousandsSeparator = '?';
  QEvent change(QEvent::LocaleChange);
  QCoreApplication::sendEvent(&App(), &change);
  EXPECT_EQ(DecimalSeparator, '.');
  EXPECT_EQ(ThousandsSeparator, ',');
  if (saved) {
    ::setenv("LC_ALL", savedValue.c_str(), 1);
  } else {
    ::unsetenv("LC_ALL");
  }
}

}  // namespace
}  // namespace kestrova
