#include "ui/window_binding_win.h"

#include <map>
#include <mutex>
#include <string>
#include <unordered_map>

#include "ui/message_window_win.h"

namespace tallivo::ui {
namespace {

struct Binding {
  WindowReceiver* receiver;
  WNDPROC systemProc;  // a subclassed system control's own procedure, else nullptr
};

// The bindings of this thread's windows (a window's messages are handled on
// the thread that created it). A window property would do the same, but
// reading one costs a trip to the window manager on every message under Wine.
// Never destroyed: windows still go after the thread's own objects are
// gone, when the program ends. Only threads that own windows make one.
std::unordered_map<HWND, Binding>& Bindings() {
  thread_local auto* bindings = new std::unordered_map<HWND, Binding>;
  return *bindings;
}

// Anything inside this module; its address finds the module's instance handle.
constexpr char kModuleAnchor = 0;

HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&kModuleAnchor), &module);
  return module;
}

std::mutex g_classMutex;
std::map<std::wstring, unsigned, std::less<>> g_classUsers;

}  // namespace

LRESULT CALLBACK BoundWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto& bindings = Bindings();
  auto found = bindings.find(window);
  if (found == bindings.end() && message == WM_NCCREATE) {
    auto* receiver = static_cast<WindowReceiver*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    if (receiver) found = bindings.emplace(window, Binding{receiver, nullptr}).first;
  }
  if (found == bindings.end()) return DefWindowProcW(window, message, wParam, lParam);
  const Binding binding = found->second;
  LRESULT result = 0;
  // The receiver may destroy the window, and itself, while it runs: nothing
  // of it is touched afterwards.
  if (!CallReportingExceptions(
          [&] { result = binding.receiver->ReceiveMessage(window, message, wParam, lParam); }))
    result = 0;
  if (message == WM_NCDESTROY) Bindings().erase(window);
  return result;
}

WNDPROC BindSystemWindow(HWND window, WindowReceiver& receiver) {
  // Bound before the procedure is swapped, so the first message finds it.
  Binding& binding = Bindings()[window];
  binding.receiver = &receiver;
  // By hand, not SetWindowSubclass: comctl32's subclassing reads a window
  // property on every message, a trip to the window manager each under Wine.
  binding.systemProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(BoundWindowProc)));
  const WNDPROC systemProc = binding.systemProc;
  if (!systemProc) Bindings().erase(window);
  return systemProc;
}

void UnbindWindow(HWND window) {
  auto& bindings = Bindings();
  const auto found = bindings.find(window);
  if (found == bindings.end()) return;
  if (found->second.systemProc)
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(found->second.systemProc));
  bindings.erase(found);
}

WindowReceiver* BoundReceiver(HWND window) {
  if (!window) return nullptr;
  const auto& bindings = Bindings();
  const auto found = bindings.find(window);
  return found == bindings.end() ? nullptr : found->second.receiver;
}

namespace {

bool Register(std::wstring_view name, UINT style, HCURSOR cursor, bool counted) {
  std::lock_guard lock(g_classMutex);
  const auto found = g_classUsers.find(name);
  if (found != g_classUsers.end()) {
    if (counted) ++found->second;
    return true;
  }
  const std::wstring className(name);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = style;
  windowClass.lpfnWndProc = BoundWindowProc;
  windowClass.hInstance = ThisModule();
  windowClass.hCursor = cursor;
  windowClass.lpszClassName = className.c_str();
  if (RegisterClassExW(&windowClass) == 0) return false;
  // A class kept for the program's life has one user that never leaves.
  g_classUsers.emplace(className, 1u);
  return true;
}

}  // namespace

HINSTANCE WindowClassModule() {
  return ThisModule();
}

bool RegisterWindowClass(std::wstring_view name, UINT style, HCURSOR cursor) {
  return Register(name, style, cursor, false);
}

bool AcquireWindowClass(std::wstring_view name, UINT style, HCURSOR cursor) {
  return Register(name, style, cursor, true);
}

void ReleaseWindowClass(std::wstring_view name) {
  std::lock_guard lock(g_classMutex);
  const auto found = g_classUsers.find(name);
  if (found == g_classUsers.end() || --found->second > 0) return;
  UnregisterClassW(found->first.c_str(), ThisModule());
  g_classUsers.erase(found);
}

}  // namespace tallivo::ui
