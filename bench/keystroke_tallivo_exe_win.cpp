// The keystroke bench's cross-check on the real Tallivo.exe, watched from
// this process. The change is seen as the pound field's update region: the
// edit control sets it while it replaces its text, and asking wineserver for
// it never disturbs the program. Reading the text instead (WM_GETTEXT) would:
// each read is a sent message Tallivo's thread has to stop for.
//
// When this process is descheduled, Tallivo may change and repaint the field
// before the next look; the text is then read to notice the change, and
// that key's time, taken then, is only an upper bound (counted as late).
#include <optional>

#include "bench/bench_win.h"
#include "bench/keystroke_win.h"
#include "ui/control_win.h"

namespace tallivo::bench {
namespace {

// A pause between two looks longer than this means this process was
// descheduled; a normal look takes a few dozen microseconds.
constexpr double kGapMs = 0.2;
// Read the text at least this often anyway, in case a gap went unnoticed.
constexpr double kTextCheckMs = 20.0;

struct Fields {
  HWND main = nullptr;
  HWND euro = nullptr;
  HWND pound = nullptr;
  DWORD thread = 0;
};

HWND FocusOf(DWORD thread) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

// Finds the fields and gives the euro field the keyboard focus.
bool Prepare(DWORD pid, Fields& f, std::string& error) {
  if (!PollUntil([&] { return (f.main = FindVisibleWindow(pid, L"TFmMain")) != nullptr; }) ||
      !WaitPainted(f.main)) {
    error = "Tallivo.exe showed no painted main window";
    return false;
  }
  f.euro = FindDescendant(f.main, ui::ControlIdFromName("CEuro"));
  f.pound = FindDescendant(f.main, ui::ControlIdFromName("CCyp"));
  f.thread = GetWindowThreadProcessId(f.main, nullptr);
  if (!f.euro || !f.pound) {
    error = "the euro or pound field is missing";
    return false;
  }
  SetForegroundWindow(f.main);
  if (!PollUntil([&] { return GetForegroundWindow() == f.main; })) {
    error = "Tallivo's window did not come to the foreground";
    return false;
  }
  // Ctrl+E is the calculator's own way to the euro field.
  if (!PressKey('E', true) || !PollUntil([&] { return FocusOf(f.thread) == f.euro; })) {
    error = "the euro field did not get the focus";
    return false;
  }
  return WaitPainted(f.main);
}

struct KeyTime {
  double ms;
  bool late;
};

std::optional<KeyTime> TimeKey(const Fields& f, WORD vk, std::string& error) {
  const std::optional<std::wstring> before = ControlText(f.pound);
  if (!before || !Painted(f.main)) {
    error = "the window is not settled before the key";
    return std::nullopt;
  }
  const double start = NowMs();
  if (!PressKey(vk)) {
    error = "SendInput failed";
    return std::nullopt;
  }
  std::optional<KeyTime> result;
  double lastLook = start;
  double lastTextCheck = start;
  while (!result) {
    const double now = NowMs();
    if (now - start > kTimeoutMs) {
      error = "the pound field did not change";
      return std::nullopt;
    }
    const bool gap = now - lastLook > kGapMs;
    lastLook = now;
    if (GetUpdateRect(f.pound, nullptr, FALSE)) {
      const std::optional<std::wstring> after = ControlText(f.pound);
      if (after && *after != *before) result = KeyTime{now - start, false};
    } else if (gap || now - lastTextCheck > kTextCheckMs) {
      lastTextCheck = now;
      const std::optional<std::wstring> after = ControlText(f.pound);
      if (after && *after != *before) result = KeyTime{NowMs() - start, true};
      lastLook = NowMs();
    }
  }
  // The release and the repaint too, before the next key.
  if (!WaitPainted(f.main)) {
    error = "Tallivo did not settle after the key";
    return std::nullopt;
  }
  return result;
}

}  // namespace

bool MeasureTallivoExe(const KeystrokeRun& run, KeystrokeTimes& out, std::string& error) {
  std::optional<ChildProcess> child = ChildProcess::Start(ExecutableDir() + L"Tallivo.exe", error);
  Fields f;
  if (!child || !Prepare(child->Id(), f, error)) return false;
  for (int i = 0; i < kWarmupKeys + run.keys; ++i) {
    const std::optional<KeyTime> t = TimeKey(f, kKeyCycle[i % std::size(kKeyCycle)], error);
    if (!t) {
      error = "key " + std::to_string(i + 1) + ": " + error;
      return false;
    }
    Sleep(static_cast<DWORD>(run.pauseMs));
    if (i < kWarmupKeys) continue;
    out.pound.push_back(t->ms);
    if (t->late) ++out.late;
  }
  if (!child->Terminate()) {
    error = "Tallivo.exe could not be ended";
    return false;
  }
  return true;
}

}  // namespace tallivo::bench
