#pragma once
// Running code on the user-interface thread from the worker. Widgets live on
// the UI thread only, so a job's message boxes and its refills of the
// launching dialog's lists go through RunOnUiThread: the worker waits until
// the UI thread has run the function, which keeps the job's steps in order
// (a message box is answered before the body goes on and before the progress
// dialog can close).
//
// The hand-over uses a std::mutex and condition variable, not Qt's queued
// calls, so every step is visible to the thread sanitizer; a Qt event only
// wakes the UI thread.

#include <functional>

namespace zel {

// True on the thread of the QApplication (and when there is none).
bool IsUiThread();

// Runs fn on the UI thread and returns when it has run; on the UI thread it
// runs at once. An exception thrown by fn is rethrown to the caller.
void RunOnUiThread(const std::function<void()>& fn);

// Runs the functions the worker is waiting on; for the UI thread when it has
// to wait for the worker itself (it must not block while the worker waits).
void ProcessPendingUiTasks();

} // namespace zel
