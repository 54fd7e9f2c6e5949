// The one way the framework ties a window to its C++ object: every window it
// makes, of its own classes or a subclassed system control, is bound to a
// WindowReceiver that gets its messages; and the one way it registers window
// classes.
#pragma once

#include <windows.h>

#include <string_view>

namespace tallivo::ui {

// The object behind a window.
class WindowReceiver {
 public:
  virtual ~WindowReceiver() = default;

  // One message of the bound window. May throw: the window procedure reports
  // the exception (ReportCaughtException) and answers 0.
  virtual LRESULT ReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

// The window procedure of every class registered with AcquireWindowClass. A
// window is bound at WM_NCCREATE to the WindowReceiver* its creator passed as
// the creation parameter, and unbound after WM_NCDESTROY.
LRESULT CALLBACK BoundWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Binds an existing window of a system class (EDIT, BUTTON) to `receiver`,
// subclassing it; returns the class's own procedure, for the messages the
// receiver leaves to it, or nullptr on failure.
WNDPROC BindSystemWindow(HWND window, WindowReceiver& receiver);

// Unbinds `window` early (its receiver is going first): what still arrives
// goes to the default procedure.
void UnbindWindow(HWND window);

// The receiver bound to `window`, or nullptr. Only windows of the calling
// thread are found, which are the only ones whose messages it handles.
WindowReceiver* BoundReceiver(HWND window);

// The module the classes are registered in, for CreateWindowEx.
HINSTANCE WindowClassModule();

// Registers class `name` of this module with BoundWindowProc, once, for the
// rest of the program; false when registration failed. `style` and `cursor`
// apply when it registers.
bool RegisterWindowClass(std::wstring_view name, UINT style = 0, HCURSOR cursor = nullptr);

// The same for a class with users: the first registers it, and the last
// ReleaseWindowClass unregisters it, when its windows must all be gone.
bool AcquireWindowClass(std::wstring_view name, UINT style = 0, HCURSOR cursor = nullptr);
void ReleaseWindowClass(std::wstring_view name);

}  // namespace tallivo::ui
