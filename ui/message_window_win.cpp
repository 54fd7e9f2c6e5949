#include "ui/message_window_win.h"

#include <stdexcept>

namespace tallivo::ui {
namespace {

std::mutex g_hookMutex;
ExceptionReportHook g_hook;

}  // namespace

void SetExceptionReportHook(ExceptionReportHook hook) {
  std::lock_guard lock(g_hookMutex);
  g_hook = std::move(hook);
}

void ReportCaughtException(const std::exception& e) noexcept {
  try {
    ExceptionReportHook hook;
    {
      std::lock_guard lock(g_hookMutex);
      hook = g_hook;
    }
    if (hook) hook(e);
  } catch (...) {
    // The report is the last stop; there is nowhere left to send a failure.
  }
}

void ReportCaughtUnknown() noexcept {
  try {
    ReportCaughtException(std::runtime_error("Unknown exception"));
  } catch (...) {
    // Constructing the message failed (out of memory): nothing to report with.
  }
}

MessageWindow::MessageWindow(std::wstring_view className, MessageHandler& handler) {
  if (!AcquireWindowClass(className)) return;
  className_ = className;
  window_ = CreateWindowExW(0, className_.c_str(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            WindowClassModule(), static_cast<WindowReceiver*>(&handler));
  if (window_) return;
  ReleaseWindowClass(className_);
  className_.clear();
}

MessageWindow::~MessageWindow() {
  Reset();
}

MessageWindow& MessageWindow::operator=(MessageWindow&& other) noexcept {
  if (this != &other) {
    Reset();
    window_ = std::exchange(other.window_, nullptr);
    className_ = std::move(other.className_);
  }
  return *this;
}

void MessageWindow::Reset() noexcept {
  if (window_ == nullptr) return;
  // Unbind first: the handler is often being destroyed itself and must not be
  // called back from DestroyWindow.
  UnbindWindow(window_);
  DestroyWindow(window_);
  window_ = nullptr;
  ReleaseWindowClass(className_);
  className_.clear();
}

}  // namespace tallivo::ui
