// What the handling flow needs from the GUI: whether there is one, running code on its thread,
// pumping its events while it waits, and the facts of its windows.
#pragma once

#include <QRect>
#include <functional>
#include <optional>
#include <string>

#include "excreport/report/report_data.h"

namespace kestrova {

// A program is a GUI program while a QGuiApplication (or QApplication) exists.
bool IsGuiProgram();
// True on the thread of the application object; false without one.
bool OnGuiThread();

// Runs `call` on the GUI thread and returns once it has run: directly on the GUI thread, else
// as a queued call that the GUI thread's event loop (or its waiting loops, PumpGuiEvents) runs.
// Returns false without running it when there is no GUI, or when the wait is abandoned
// (AbandonGuiCalls) before the GUI thread took it. Exceptions of `call` are passed on.
bool RunOnGuiThread(const std::function<void()>& call);

// At shutdown: waits for the GUI thread stop, and calls not yet taken are dropped. Cleared by
// passing false.
void AbandonGuiCalls(bool abandon);

// On the GUI thread: dispatches the pending events once, dropping keyboard and mouse-button
// input to the program's windows (with a beep), except while a call of RunOnGuiThread runs (a
// dialog shown by it must take input). Does nothing on other threads.
void PumpGuiEvents();

// On the GUI thread: restores the main window when it is minimised, else raises the active
// window, and activates it.
void BringMainWindowForward();

// The active window and the focused widget, as the report and the screenshot show them.
struct ActiveControlFacts {
  ActiveControlsInfo Controls;
  std::optional<QRect> FocusRect;  // global coordinates of the focused widget
};
// On the GUI thread. A password edit's text comes back as one "*" per character.
ActiveControlFacts NoteActiveControls();

// On the GUI thread.
void CopyTextToClipboard(const std::string& text);

// The primary screen's size and depth; empty without a screen. On the GUI thread.
std::optional<DisplayMode> PrimaryDisplayMode();

}  // namespace kestrova
