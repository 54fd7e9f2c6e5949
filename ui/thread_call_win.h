// Calls from other threads into one thread (the main thread, for the
// program's windows): a hidden window of that thread runs them. The one
// channel from a worker to the user interface.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <string_view>

#include "ui/message_window_win.h"

namespace tallivo::ui {

class ThreadCallWindow : public MessageHandler {
 public:
  // Create it on the thread that is to run the calls; calls arrive as
  // `message` to a window of class `className`.
  ThreadCallWindow(std::wstring_view className, UINT message);
  // On the window's thread.
  ~ThreadCallWindow() override;
  ThreadCallWindow(const ThreadCallWindow&) = delete;
  ThreadCallWindow& operator=(const ThreadCallWindow&) = delete;

  // Runs `call` on the window's thread and returns once it has run,
  // rethrowing here what it threw there. On that thread itself it runs at
  // once. Throws std::runtime_error when the window is gone and nothing ran.
  void Call(const std::function<void()>& call) const;
  // Queues `call` to run on the window's thread later; false when it could
  // not be queued, and then it never runs. What it throws is reported there.
  bool Post(std::function<void()> call) const;

  HWND Handle() const { return window_.Handle(); }
  DWORD ThreadId() const { return threadId_; }

 protected:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  struct Request {
    const std::function<void()>* call;
    bool ran = false;
    std::exception_ptr error;
  };
  enum : WPARAM { kSent = 0, kPosted = 1 };

  UINT message_;
  DWORD threadId_;
  MessageWindow window_;
};

// Waits until `handle` is signalled or `timeout` ms pass (INFINITE: no limit),
// meanwhile handling the messages other threads send to this one, so that a
// worker blocked in ThreadCallWindow::Call can finish. Posted messages stay
// queued. WAIT_OBJECT_0, WAIT_TIMEOUT or WAIT_FAILED.
DWORD WaitServingSentMessages(HANDLE handle, DWORD timeout);

}  // namespace tallivo::ui
