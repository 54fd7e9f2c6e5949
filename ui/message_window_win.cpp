#include "ui/message_window_win.h"

#include <set>
#include <stdexcept>
#include <string>

namespace tallivo::ui {
namespace {

std::mutex g_hookMutex;
ExceptionReportHook g_hook;

// Anything inside this module; its address finds the module's instance handle.
constexpr char kModuleAnchor = 0;

HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&kModuleAnchor), &module);
  return module;
}

LRESULT CALLBACK MessageWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* handler = reinterpret_cast<MessageHandler*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  LRESULT result = 0;
  if (handler == nullptr) {
    result = DefWindowProcW(window, message, wParam, lParam);
  } else {
    // The handler may free itself and this window while it runs: nothing here
    // touches it afterwards.
    CallReportingExceptions([&] { result = handler->HandleMessage(window, message, wParam, lParam); });
  }
  if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  return result;
}

// Registers the class once per process; later calls only look it up.
bool RegisterOnce(const std::wstring& className, HINSTANCE module) {
  static std::mutex mutex;
  static std::set<std::wstring> registered;
  std::lock_guard lock(mutex);
  if (registered.contains(className)) return true;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = MessageWindowProc;
  windowClass.hInstance = module;
  windowClass.lpszClassName = className.c_str();
  if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  registered.insert(className);
  return true;
}

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
  const HINSTANCE module = ThisModule();
  const std::wstring name(className);
  if (!RegisterOnce(name, module)) return;
  window_ = CreateWindowExW(0, name.c_str(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module, &handler);
}

MessageWindow::~MessageWindow() {
  Reset();
}

MessageWindow& MessageWindow::operator=(MessageWindow&& other) noexcept {
  if (this != &other) {
    Reset();
    window_ = std::exchange(other.window_, nullptr);
  }
  return *this;
}

void MessageWindow::Reset() noexcept {
  if (window_ == nullptr) return;
  // Unbind first: the handler is often being destroyed itself and must not be
  // called back from DestroyWindow.
  SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  DestroyWindow(window_);
  window_ = nullptr;
}

}  // namespace tallivo::ui
