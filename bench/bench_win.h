// What the benchmark drivers share: a precise clock, started programs that
// are always reaped, and watching another process's windows from outside
// (no hooks in the measured programs).
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "ui/handles_win.h"

namespace tallivo::bench {

// Upper bound for anything a healthy program does; only a hung or broken
// program ever reaches it.
inline constexpr DWORD kTimeoutMs = 20000;

// Milliseconds on the performance counter: monotonic, sub-microsecond.
double NowMs();

// Folder of this executable, with a trailing backslash.
std::wstring ExecutableDir();

// Checks `condition` until it holds or `timeoutMs` passes; true when it held.
bool PollUntil(const std::function<bool()>& condition, DWORD timeoutMs = kTimeoutMs);

// A program started by a bench. It is terminated, and waited for until it is
// gone, at the latest by the destructor: the next repetition never meets it
// (Tallivo allows one instance only).
class ChildProcess {
 public:
  // Starts `path` without arguments in its own folder; nullopt and `error` set on failure.
  static std::optional<ChildProcess> Start(const std::wstring& path, std::string& error);

  ChildProcess(ChildProcess&&) noexcept = default;
  // No move assignment: it would have to decide what happens to the program it replaces.
  ChildProcess& operator=(ChildProcess&&) = delete;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess();

  // The process id.
  DWORD Id() const { return id_; }
  // True while the process has not exited.
  bool Running() const;
  // Terminates the process if it runs and waits until it is gone; true when it is.
  bool Terminate();

 private:
  ChildProcess(HANDLE process, DWORD id) : process_(process), id_(id) {}

  UniqueKernelHandle process_;
  DWORD id_ = 0;
};

// A visible top-level window of class `className` that belongs to process `pid`, or nullptr.
HWND FindVisibleWindow(DWORD pid, const wchar_t* className);

// The descendant of `parent` with control id `id`, or nullptr.
HWND FindDescendant(HWND parent, int id);

// True when neither `hwnd` nor any visible descendant has anything left to paint.
bool Painted(HWND hwnd);

// Waits until `hwnd` and its descendants are painted and its thread has
// answered a sent message since, so the painting code has returned; false on timeout.
bool WaitPainted(HWND hwnd, DWORD timeoutMs = kTimeoutMs);

// The text of a window of any process, asked with WM_GETTEXT (an edit
// control keeps its text to itself); nullopt when the window does not answer.
std::optional<std::wstring> ControlText(HWND hwnd);

// UTF-16 to UTF-8 for printing.
std::string Utf8(const std::wstring& text);

}  // namespace tallivo::bench
