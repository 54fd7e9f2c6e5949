#include "ui/application_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <stdexcept>

#include "ui/form_win.h"
#include "ui/message_window_win.h"
#include "ui/shortcut.h"
#include "ui/text_win.h"

namespace tallivo::ui {

TApplication& Application() {
  static TApplication application;
  return application;
}

TApplication::TApplication() : TComponent(nullptr) {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  for (int i = 1; i < argc; ++i) params_.push_back(Narrow(argv[i]));
  LocalFree(argv);
}

TApplication::~TApplication() = default;

const ClassInfo& TApplication::StaticClass() {
  static const ClassInfo info("TApplication", &TComponent::StaticClass(), nullptr, {});
  return info;
}

void TApplication::Initialize() {
  INITCOMMONCONTROLSEX icc{};
  icc.dwSize = sizeof(icc);
  icc.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS;
  InitCommonControlsEx(&icc);
  mainThreadId_ = GetCurrentThreadId();
  calls_ = std::make_unique<ThreadCallWindow>(L"TallivoApplicationCalls", WM_APP + 0x3F8);
  SetExceptionReportHook([this](const std::exception& e) { ShowException(e); });
}

void TApplication::CallInMainThread(const std::function<void()>& call) {
  if (!calls_) throw std::logic_error("the application has not been initialised");
  calls_->Call(call);
}

std::string TApplication::ExeName() const {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      return Narrow(path);
    }
    path.resize(path.size() * 2);
  }
}

HWND TApplication::Handle() const {
  return mainForm_ && mainForm_->HandleAllocated() ? mainForm_->Handle() : nullptr;
}

void TApplication::Run() {
  if (mainForm_ && showMainForm_) mainForm_->Show();
  RunModalLoop([] { return false; });
}

void TApplication::RunModalLoop(const std::function<bool()>& done) {
  while (!terminated_ && !done()) {
    MSG msg;
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      terminated_ = true;
      PostQuitMessage(static_cast<int>(msg.wParam));  // let outer loops see it too
      break;
    }
    if (got < 0) break;
    HandleMessage(msg);
  }
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      terminated_ = true;
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    HandleMessage(msg);
  }
}

void TApplication::HandleKeysFor(DWORD ms) {
  const ULONGLONG deadline = GetTickCount64() + ms;
  for (ULONGLONG now = GetTickCount64(); now < deadline; now = GetTickCount64()) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) HandleMessage(msg);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_KEY);
  }
}

bool TApplication::HandleMessage(MSG& msg) {
  // Shortcuts, dialog navigation and translation are about keys. Other
  // messages need not ask which window is active (a trip to the window
  // manager per message under Wine): IsDialogMessage would only dispatch them.
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) {
    DispatchMessageW(&msg);
    return true;
  }
  HWND active = GetActiveWindow();
  auto* form = dynamic_cast<TForm*>(TWinControl::FromHandle(active));
  if (form && (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) &&
      (msg.hwnd == active || IsChild(active, msg.hwnd))) {
    const TShortCut shortCut = MakeShortCut(static_cast<unsigned>(msg.wParam), GetKeyState(VK_SHIFT) < 0,
                                            GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_MENU) < 0);
    try {
      if (form->IsShortCut(shortCut)) return true;
    } catch (const std::exception& e) {
      ShowException(e);
      return true;
    }
  }
  if (form && IsDialogMessageW(active, &msg)) return true;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
  return true;
}

void TApplication::Terminate() {
  terminated_ = true;
  PostQuitMessage(0);
}

void TApplication::Minimize() {
  if (HWND h = Handle()) ShowWindow(h, SW_MINIMIZE);
}

void TApplication::Restore() {
  if (HWND h = Handle(); h && IsIconic(h)) ShowWindow(h, SW_RESTORE);
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, UINT flags) {
  HWND owner = Handle();
  if (owner && !IsWindowVisible(owner)) owner = nullptr;
  return ::MessageBoxW(owner, Widen(text).c_str(), Widen(caption.empty() ? title_ : caption).c_str(), flags);
}

void TApplication::ShowException(const std::exception& e) {
  std::string message = e.what();
  if (GetCurrentThreadId() != mainThreadId_ && calls_) {
    calls_->Post([this, message = std::move(message)] { ShowException(std::runtime_error(message)); });
    return;
  }
  if (OnException) {
    OnException(message);
  } else {
    MessageBox(message, title_, MB_OK | MB_ICONERROR);
  }
}

bool TApplication::HelpCommand(UINT command, ULONG_PTR data) {
  if (OnHelp) return OnHelp(command, data);
  return false;
}

int TApplication::HookMainWindow(MessageHook hook) {
  hooks_.emplace_back(nextHook_, std::move(hook));
  return nextHook_++;
}

void TApplication::UnhookMainWindow(int id) {
  hooks_.erase(std::remove_if(hooks_.begin(), hooks_.end(), [id](const auto& h) { return h.first == id; }),
               hooks_.end());
}

bool TApplication::RunHooks(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  // A hook may unhook itself (or another) while running: iterate over a copy.
  const auto hooks = hooks_;
  for (const auto& [id, hook] : hooks) {
    if (hook(msg, wParam, lParam, result)) return true;
  }
  return false;
}

}  // namespace tallivo::ui
