// The driver's own test target: a window with a labelled edit field (blue
// text), a red area, a "Hide" button, a menu with a Ctrl+U accelerator (its
// default item) and a greyed item, and a global Ctrl+F11 hotkey that asks a Yes/No question. Its command-line
// arguments are shown joined by '|', so a test can check how they arrived.
// Exit code: 0 when closed, kExitAfterYes when the question is answered Yes.
#include <windows.h>
// After <windows.h>, which it needs.
#include <shellapi.h>

#include <string>

namespace {

constexpr wchar_t kClassName[] = L"DriverTarget";
constexpr wchar_t kCaption[] = L"Driver Target";
constexpr int kLabelId = 100;
constexpr int kEditId = 101;
constexpr int kRedId = 102;
constexpr int kHideId = 103;
constexpr int kArgumentsId = 104;
constexpr WORD kUpperCaseCommand = 200;
constexpr WORD kExitCommand = 201;
constexpr WORD kNeverCommand = 202;  // greyed: never chosen
constexpr int kHotkeyId = 1;
constexpr int kExitAfterYes = 3;

constexpr COLORREF Rgb(BYTE r, BYTE g, BYTE b) {
  return static_cast<COLORREF>(r | (static_cast<DWORD>(g) << 8) | (static_cast<DWORD>(b) << 16));
}
constexpr COLORREF kRed = Rgb(255, 0, 0);
constexpr COLORREF kEditText = Rgb(0, 0, 255);
constexpr COLORREF kWhite = Rgb(255, 255, 255);

class Brush {
 public:
  explicit Brush(COLORREF color) : brush_(CreateSolidBrush(color)) {}
  Brush(const Brush&) = delete;
  Brush& operator=(const Brush&) = delete;
  ~Brush() { DeleteObject(brush_); }
  HBRUSH Get() const { return brush_; }

 private:
  HBRUSH brush_;
};

class Accelerators {
 public:
  Accelerators(ACCEL* table, int count) : table_(CreateAcceleratorTableW(table, count)) {}
  Accelerators(const Accelerators&) = delete;
  Accelerators& operator=(const Accelerators&) = delete;
  ~Accelerators() { DestroyAcceleratorTable(table_); }
  HACCEL Get() const { return table_; }

 private:
  HACCEL table_;
};

std::wstring JoinedArguments() {
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  std::wstring joined;
  for (int i = 1; argv && i < count; ++i) joined += (i > 1 ? L"|" : L"") + std::wstring(argv[i]);
  LocalFree(argv);
  return joined;
}

class TargetWindow {
 public:
  TargetWindow(const TargetWindow&) = delete;
  TargetWindow& operator=(const TargetWindow&) = delete;
  TargetWindow() = default;

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
      auto* self = static_cast<TargetWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
      self->window_ = window;
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<TargetWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    if (!self) return DefWindowProcW(window, message, wparam, lparam);
    try {
      return self->Handle(message, wparam, lparam);
    } catch (...) {
      PostQuitMessage(EXIT_FAILURE);
      return 0;
    }
  }

  int ExitCode() const { return exit_code_; }

 private:
  HWND Child(const wchar_t* class_name, const wchar_t* text, DWORD style, int id, int x, int y, int width,
             int height, DWORD ex_style = 0) {
    return CreateWindowExW(ex_style, class_name, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                           window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
  }

  void Create() {
    Child(L"STATIC", L"&Amount:", SS_LEFT, kLabelId, 10, 14, 70, 20);
    edit_ = Child(L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, kEditId, 90, 10, 220, 26, WS_EX_CLIENTEDGE);
    red_ = Child(L"STATIC", L"", SS_LEFT, kRedId, 10, 50, 120, 40);
    Child(L"BUTTON", L"Hide", WS_TABSTOP | BS_PUSHBUTTON, kHideId, 150, 50, 90, 30);
    Child(L"STATIC", JoinedArguments().c_str(), SS_LEFT | SS_NOPREFIX, kArgumentsId, 10, 110, 380, 20);
    RegisterHotKey(window_, kHotkeyId, MOD_CONTROL | MOD_NOREPEAT, VK_F11);
  }

  void AskAfterHotkey() {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit_)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(edit_, text.data(), static_cast<int>(text.size()))));
    const std::wstring question = L"Hotkey pressed: " + text;
    if (MessageBoxW(window_, question.c_str(), kCaption, MB_YESNO | MB_ICONQUESTION) == IDYES) {
      exit_code_ = kExitAfterYes;
      DestroyWindow(window_);
    } else {
      ShowWindow(window_, SW_SHOW);
    }
  }

  void UpperCase() {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit_)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(edit_, text.data(), static_cast<int>(text.size()))));
    CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    SetWindowTextW(edit_, text.c_str());
  }

  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
      case WM_CREATE:
        Create();
        return 0;
      case WM_SETFOCUS:
        SetFocus(edit_);
        return 0;
      case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lparam) == red_) return reinterpret_cast<LRESULT>(red_brush_.Get());
        break;
      case WM_CTLCOLOREDIT:
        SetTextColor(reinterpret_cast<HDC>(wparam), kEditText);
        SetBkColor(reinterpret_cast<HDC>(wparam), kWhite);
        return reinterpret_cast<LRESULT>(white_brush_.Get());
      case WM_COMMAND:
        if (LOWORD(wparam) == kHideId && HIWORD(wparam) == BN_CLICKED) ShowWindow(window_, SW_HIDE);
        if (LOWORD(wparam) == kUpperCaseCommand) UpperCase();
        if (LOWORD(wparam) == kExitCommand) DestroyWindow(window_);
        return 0;
      case WM_HOTKEY:
        if (wparam == kHotkeyId) AskAfterHotkey();
        return 0;
      case WM_DESTROY:
        UnregisterHotKey(window_, kHotkeyId);
        PostQuitMessage(exit_code_);
        return 0;
      default:
        break;
    }
    return DefWindowProcW(window_, message, wparam, lparam);
  }

  HWND window_ = nullptr;
  HWND edit_ = nullptr;
  HWND red_ = nullptr;
  Brush red_brush_{kRed};
  Brush white_brush_{kWhite};
  int exit_code_ = 0;
};

HMENU CreateMainMenu() {
  HMENU edit = CreatePopupMenu();
  AppendMenuW(edit, MF_STRING, kUpperCaseCommand, L"&Upper case\tCtrl+U");
  AppendMenuW(edit, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(edit, MF_STRING, kExitCommand, L"E&xit");
  AppendMenuW(edit, MF_STRING | MF_GRAYED, kNeverCommand, L"&Never");
  SetMenuDefaultItem(edit, kUpperCaseCommand, FALSE);
  HMENU bar = CreateMenu();
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), L"&Edit");
  return bar;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = TargetWindow::Procedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  window_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  window_class.lpszClassName = kClassName;
  if (!RegisterClassExW(&window_class)) return EXIT_FAILURE;

  TargetWindow target;
  // The menu belongs to the window from here on and is destroyed with it.
  HWND window = CreateWindowExW(0, kClassName, kCaption, WS_OVERLAPPEDWINDOW, 100, 100, 420, 220, nullptr,
                                CreateMainMenu(), instance, &target);
  if (!window) return EXIT_FAILURE;
  ShowWindow(window, show);
  UpdateWindow(window);

  ACCEL table[] = {{FCONTROL | FVIRTKEY, 'U', kUpperCaseCommand}};
  Accelerators accelerators(table, 1);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!TranslateAcceleratorW(window, accelerators.Get(), &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return target.ExitCode();
}
