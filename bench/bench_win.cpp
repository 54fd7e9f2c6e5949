#include "bench/bench_win.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "ui/text_win.h"

namespace tallivo::bench {
namespace {

// Exit code of a program the bench ended itself.
constexpr UINT kTerminatedExitCode = 0xBE7C;

double TicksPerMs() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(frequency.QuadPart) / 1000.0;
}

bool NeedsPaint(HWND hwnd) {
  return IsWindowVisible(hwnd) && GetUpdateRect(hwnd, nullptr, FALSE);
}

BOOL CALLBACK FindUnpainted(HWND child, LPARAM found) {
  if (!NeedsPaint(child)) return TRUE;
  *reinterpret_cast<bool*>(found) = true;
  return FALSE;
}

BOOL CALLBACK CollectUnpainted(HWND child, LPARAM found) {
  if (NeedsPaint(child)) reinterpret_cast<std::vector<HWND>*>(found)->push_back(child);
  return TRUE;
}

struct IdSearch {
  int id;
  HWND found;
};

BOOL CALLBACK FindById(HWND child, LPARAM search) {
  auto* s = reinterpret_cast<IdSearch*>(search);
  if (GetDlgCtrlID(child) != s->id) return TRUE;
  s->found = child;
  return FALSE;
}

}  // namespace

double NowMs() {
  static const double ticksPerMs = TicksPerMs();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / ticksPerMs;
}

std::wstring ExecutableDir() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  return path.substr(0, path.find_last_of(L'\\') + 1);
}

bool PollUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const double deadline = NowMs() + timeoutMs;
  for (;;) {
    if (condition()) return true;
    if (NowMs() > deadline) return false;
    // A short pause between checks: the measured program and wineserver
    // share the machine's two cores with this loop.
    Sleep(1);
  }
}

std::optional<ChildProcess> ChildProcess::Start(const std::wstring& path, std::string& error) {
  const std::wstring folder = path.substr(0, path.find_last_of(L'\\') + 1);
  std::wstring commandLine = L"\"" + path + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                      &startup, &info)) {
    error = "cannot start " + Utf8(path) + " (error " + std::to_string(GetLastError()) + ")";
    return std::nullopt;
  }
  CloseHandle(info.hThread);
  return ChildProcess(info.hProcess, info.dwProcessId);
}

ChildProcess::~ChildProcess() {
  Terminate();
}

bool ChildProcess::Running() const {
  return process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT;
}

bool ChildProcess::Terminate() {
  if (!process_) return true;
  // Fails harmlessly when the process has already exited.
  TerminateProcess(process_.Get(), kTerminatedExitCode);
  return WaitForSingleObject(process_.Get(), kTimeoutMs) == WAIT_OBJECT_0;
}

HWND FindVisibleWindow(DWORD pid, const wchar_t* className) {
  for (HWND w = FindWindowExW(nullptr, nullptr, className, nullptr); w;
       w = FindWindowExW(nullptr, w, className, nullptr)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == pid && IsWindowVisible(w)) return w;
  }
  return nullptr;
}

HWND FindDescendant(HWND parent, int id) {
  IdSearch search{id, nullptr};
  EnumChildWindows(parent, FindById, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool Painted(HWND hwnd) {
  if (NeedsPaint(hwnd)) return false;
  bool unpainted = false;
  EnumChildWindows(hwnd, FindUnpainted, reinterpret_cast<LPARAM>(&unpainted));
  return !unpainted;
}

bool WaitPainted(HWND hwnd, DWORD timeoutMs) {
  // Every question about another process's window is a request to the
  // window manager, which the measured program is waiting on as well: a full
  // pass over a window with many controls every millisecond would slow that
  // program down more than one with a single window. So between full passes
  // only the controls still unpainted at the last one are asked about, the
  // one painted last (last in z-order) first. The answer is Painted's: it is
  // only given after a full pass finds nothing left.
  std::vector<HWND> unpainted;
  const auto painted = [&] {
    if (NeedsPaint(hwnd)) return false;
    while (!unpainted.empty() && !NeedsPaint(unpainted.back())) unpainted.pop_back();
    if (!unpainted.empty()) return false;
    // None known to be left: a full pass decides, and finds any control shown since.
    EnumChildWindows(hwnd, CollectUnpainted, reinterpret_cast<LPARAM>(&unpainted));
    return unpainted.empty();
  };
  if (!PollUntil(painted, timeoutMs)) return false;
  // A sent message is only handled once the thread is back in its message
  // loop, so this returns after the painting code has finished.
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result) != 0;
}

std::optional<std::wstring> ControlText(HWND hwnd) {
  // The amount fields hold a few dozen characters; more is never expected.
  wchar_t buffer[256];
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, std::size(buffer), reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL,
                           kTimeoutMs, &length)) {
    return std::nullopt;
  }
  return std::wstring(buffer, std::min<std::size_t>(length, std::size(buffer) - 1));
}

std::string Utf8(const std::wstring& text) {
  return ui::Narrow(text);
}

}  // namespace tallivo::bench
