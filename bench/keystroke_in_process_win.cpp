// The keystroke bench's goal figure. The calculator's main window runs in
// this process, built from the same code and resources as Tallivo.exe (only
// wWinMain's single-instance check is left out), and every message goes
// through the application's own handling (TApplication::ProcessMessages:
// shortcuts, dialog keys, the controls). Keys come from SendInput, as for
// the user. The clock stops in the pound field's window procedure, in a
// subclass added by this bench, when a WM_SETTEXT has left it with new text:
// exact, and nothing polls the program while it works.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <algorithm>
#include <exception>
#include <functional>

#include "app/fp_environment.h"
#include "app/main_window_win.h"
#include "bench/bench_win.h"
#include "bench/keystroke_win.h"
#include "ui/application_win.h"

namespace tallivo::bench {
namespace {

constexpr UINT_PTR kWatchId = 0xBE7C;

// What the subclasses see of the key in flight.
struct Watch {
  std::wstring poundBefore;
  double arrivedAt = -1;
  double changedAt = -1;
};
Watch watch;

std::wstring TextOf(HWND hwnd) {
  const int n = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  text.resize(static_cast<std::size_t>(std::max(GetWindowTextW(hwnd, text.data(), n + 1), 0)));
  return text;
}

LRESULT CALLBACK WatchEuro(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (msg == WM_KEYDOWN && watch.arrivedAt < 0) watch.arrivedAt = NowMs();
  return DefSubclassProc(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK WatchPound(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  const LRESULT result = DefSubclassProc(hwnd, msg, wParam, lParam);
  if (msg == WM_SETTEXT && watch.changedAt < 0) {
    const double now = NowMs();
    try {
      if (TextOf(hwnd) != watch.poundBefore) watch.changedAt = now;
    } catch (...) {
      // Out of memory: the key then counts as never changing the field.
    }
  }
  return result;
}

// Handles the application's messages until `done` holds or `timeoutMs`
// has passed; false on timeout.
bool PumpUntil(const std::function<bool()>& done, double timeoutMs = kTimeoutMs) {
  const double deadline = NowMs() + timeoutMs;
  for (;;) {
    ui::Application().ProcessMessages();
    if (done()) return true;
    const double left = deadline - NowMs();
    if (left <= 0) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left) + 1, QS_ALLINPUT);
  }
}

bool Measure(TFmMain& form, const KeystrokeRun& run, KeystrokeTimes& out, std::string& error) {
  HWND main = form.Handle();
  HWND pound = form.CCyp->Handle();
  SetForegroundWindow(main);
  if (!PumpUntil([&] { return GetForegroundWindow() == main && Painted(main); })) {
    error = "the window did not come to the foreground";
    return false;
  }
  // Ctrl+E is the calculator's own way to the euro field.
  if (!PressKey('E', true) || !PumpUntil([&] { return form.CEuro->Focused(); })) {
    error = "the euro field did not get the focus";
    return false;
  }
  for (int i = 0; i < kWarmupKeys + run.keys; ++i) {
    ui::Application().ProcessMessages();
    watch = Watch{TextOf(pound), -1, -1};
    const double start = NowMs();
    if (!PressKey(kKeyCycle[i % std::size(kKeyCycle)])) {
      error = "SendInput failed";
      return false;
    }
    if (!PumpUntil([] { return watch.changedAt >= 0; })) {
      error = "key " + std::to_string(i + 1) + ": the pound field did not change";
      return false;
    }
    // The release and the repaint too, before the next key.
    if (!PumpUntil([&] { return Painted(main); })) {
      error = "the window did not settle after a key";
      return false;
    }
    // The pause, with the program working as it does between a user's keys.
    PumpUntil([] { return false; }, run.pauseMs);
    if (i < kWarmupKeys) continue;
    out.pound.push_back(watch.changedAt - start);
    if (watch.arrivedAt >= 0) out.arrived.push_back(watch.arrivedAt - start);
  }
  return true;
}

}  // namespace

bool MeasureInProcess(const KeystrokeRun& run, KeystrokeTimes& out, std::string& error) {
  using ui::Application;
  try {
    SetProcessFpEnvironment();
    Application().Initialize();
    Application().SetTitle("Tallivo");
    RegisterFormClasses();
    TFmMain* form = Application().CreateForm<TFmMain>();
    form->Show();
    SetWindowSubclass(form->CEuro->Handle(), WatchEuro, kWatchId, 0);
    SetWindowSubclass(form->CCyp->Handle(), WatchPound, kWatchId, 0);
    const bool ok = Measure(*form, run, out, error);
    RemoveWindowSubclass(form->CEuro->Handle(), WatchEuro, kWatchId);
    RemoveWindowSubclass(form->CCyp->Handle(), WatchPound, kWatchId);
    Application().DestroyComponents();
    return ok;
  } catch (const std::exception& e) {
    error = std::string("the calculator failed: ") + e.what();
    return false;
  }
}

}  // namespace tallivo::bench
