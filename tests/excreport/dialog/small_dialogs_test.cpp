// The reproduce request and the sending progress window.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <future>
#include <thread>

#include "excreport/dialog/modal_dialogs.h"
#include "excreport/dialog/reproduce_request_dialog.h"
#include "excreport/dialog/send_progress_feed.h"

namespace kestrova {
namespace {

using namespace std::chrono_literals;

TEST(ReproduceRequest, ReturnsTheTrimmedText) {
  TQuillModuleOptions options("/usr/bin/kestrova", false);
  QString caption;
  QString prompt;
  test::WhenModal<ReproduceRequestDialog>([&](ReproduceRequestDialog& dialog) {
    caption = dialog.windowTitle();
    prompt = dialog.findChild<QLabel*>("prompt")->text();
    dialog.findChild<QPlainTextEdit*>("edit")->setPlainText("  \n Start the loop.\nType abc. \n\n");
    dialog.findChild<QPushButton*>("okButton")->click();
  });
  EXPECT_EQ(ShowReproduceRequest(options), "Start the loop.\r\nType abc.");
  EXPECT_EQ(caption, "Request");
  EXPECT_EQ(prompt, "Please describe the steps to reproduce the error:");
}

TEST(ReproduceRequest, ClosesByItselfWithWhatWasTyped) {
  TQuillModuleOptions options("/usr/bin/kestrova", false);
  options.SetDialogCloseSecs(3);
  test::WhenModal<ReproduceRequestDialog>(
      [](ReproduceRequestDialog& dialog) { dialog.findChild<QPlainTextEdit*>("edit")->setPlainText("half"); });
  EXPECT_EQ(ShowReproduceRequest(options, 20ms), "half");
}

TEST(ReproduceRequest, NothingOffTheGuiThread) {
  TQuillModuleOptions options("/usr/bin/kestrova", false);
  std::string text = "unset";
  std::thread([&] { text = ShowReproduceRequest(options); }).join();
  EXPECT_EQ(text, "");
}

SendProgressDialog* ProgressWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* dialog = qobject_cast<SendProgressDialog*>(widget); dialog != nullptr && dialog->isVisible()) return dialog;
  }
  return nullptr;
}

TEST(SendProgress, FollowsAFeedFromAnotherThread) {
  TQuillModuleOptions options("/usr/bin/kestrova", false);
  std::promise<void> seen;
  std::shared_future<void> seenFuture = seen.get_future().share();
  std::atomic<bool> upWhileSending{false};
  std::thread sender([&] {
    SendProgressFeed feed(options);
    feed.SetStatus("Connecting with server...");
    feed.SetPosition(0);
    feed.SetStatus("Sending message...");
    feed.SetPosition(40);
    seenFuture.wait_for(10s);
    upWhileSending = feed.WindowUp();
    feed.SetPosition(100);
    feed.EndOfSending();
  });
  const bool shown = QTest::qWaitFor([] {
    const SendProgressDialog* window = ProgressWindow();
    return window != nullptr && window->Position() == 40;
  }, 10000);
  SendProgressDialog* window = ProgressWindow();
  EXPECT_TRUE(shown);
  if (window != nullptr) {
    EXPECT_EQ(window->windowTitle(), "Send.");
    EXPECT_EQ(window->Status(), "Sending message...");
    EXPECT_TRUE(window->isModal());
  }
  seen.set_value();
  EXPECT_TRUE(QTest::qWaitFor([] { return ProgressWindow() == nullptr; }, 10000));
  sender.join();
  EXPECT_TRUE(upWhileSending);
}

TEST(SendProgress, CallsAfterTheWindowClosedDoNothing) {
  TQuillModuleOptions options("/usr/bin/kestrova", false);
  auto feed = std::make_unique<SendProgressFeed>(options);
  ASSERT_TRUE(QTest::qWaitFor([] { return ProgressWindow() != nullptr; }, 5000));
  EXPECT_EQ(ProgressWindow()->Status(), "Message");
  ProgressWindow()->close();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !feed->WindowUp(); }, 5000));
  feed->SetStatus("late");
  feed->SetPosition(50);
  feed.reset();  // ends the sending on its own
  QTest::qWait(20);
  EXPECT_EQ(ProgressWindow(), nullptr);
}

}  // namespace
}  // namespace kestrova
