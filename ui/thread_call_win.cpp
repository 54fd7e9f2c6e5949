#include "ui/thread_call_win.h"

#include <memory>
#include <stdexcept>

namespace tallivo::ui {

ThreadCallWindow::ThreadCallWindow(std::wstring_view className, UINT message)
    : message_(message), threadId_(GetCurrentThreadId()), window_(className, *this) {}

ThreadCallWindow::~ThreadCallWindow() {
  // Calls still queued are dropped, not leaked.
  MSG msg;
  while (window_ && PeekMessageW(&msg, window_.Handle(), message_, message_, PM_REMOVE)) {
    if (msg.wParam == kPosted) delete reinterpret_cast<std::function<void()>*>(msg.lParam);
  }
}

void ThreadCallWindow::Call(const std::function<void()>& call) const {
  if (GetCurrentThreadId() == threadId_) {
    call();
    return;
  }
  Request request{&call, false, nullptr};
  SendMessageW(window_.Handle(), message_, kSent, reinterpret_cast<LPARAM>(&request));
  if (!request.ran) throw std::runtime_error("the thread that was to run the call has no window for it");
  if (request.error) std::rethrow_exception(request.error);
}

bool ThreadCallWindow::Post(std::function<void()> call) const {
  auto owned = std::make_unique<std::function<void()>>(std::move(call));
  if (!window_ || !PostMessageW(window_.Handle(), message_, kPosted, reinterpret_cast<LPARAM>(owned.get())))
    return false;
  // The window owns it now; it frees it when the message is handled.
  owned.release();
  return true;
}

LRESULT ThreadCallWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != message_) return DefWindowProcW(window, message, wParam, lParam);
  if (wParam == kPosted) {
    const std::unique_ptr<std::function<void()>> call(reinterpret_cast<std::function<void()>*>(lParam));
    (*call)();
    return 0;
  }
  auto& request = *reinterpret_cast<Request*>(lParam);
  request.ran = true;
  try {
    (*request.call)();
  } catch (...) {
    request.error = std::current_exception();
  }
  return 0;
}

DWORD WaitServingSentMessages(HANDLE handle, DWORD timeout) {
  const ULONGLONG start = GetTickCount64();
  for (;;) {
    DWORD left = INFINITE;
    if (timeout != INFINITE) {
      const ULONGLONG spent = GetTickCount64() - start;
      left = spent >= timeout ? 0 : static_cast<DWORD>(timeout - spent);
    }
    const DWORD result = MsgWaitForMultipleObjects(1, &handle, FALSE, left, QS_SENDMESSAGE);
    if (result != WAIT_OBJECT_0 + 1) return result;
    // Peeking delivers the messages sent to this thread and takes nothing off the queue.
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
  }
}

}  // namespace tallivo::ui
