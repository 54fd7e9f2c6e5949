// A lightweight periodic timer that ticks on the GUI thread. Each running
// timer is one system timer whose WM_TIMER messages go to a hidden window
// shared by every timer of the process.
#pragma once

#include <windows.h>

#include <functional>
#include <unordered_map>

#include "ui/message_window_win.h"

namespace tallivo {

class TSimpleTimer;

// Tick event; Sender is the timer that fired.
using TTimerNotifyEvent = std::function<void(TSimpleTimer* sender)>;

// The shared hidden window behind all timers: it routes each WM_TIMER to the
// timer whose address came back as the identifier.
class TSimpleTimerHandler final : public ui::MessageHandler {
 public:
  // Creates the hidden window (Window() is nullptr if that failed).
  TSimpleTimerHandler();
  TSimpleTimerHandler(const TSimpleTimerHandler&) = delete;
  TSimpleTimerHandler& operator=(const TSimpleTimerHandler&) = delete;

  // The window that owns every system timer of the process.
  HWND Window() const noexcept { return window_.Handle(); }

  // WM_TIMER: runs the OnTick of the live timer named by wParam, ignores ids of
  // freed timers and answers 0. Everything else: default processing.
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  friend class TSimpleTimer;

  // KillTimer leaves an already queued WM_TIMER in place, so the id in a tick
  // is only trusted while its timer is listed here.
  std::unordered_map<UINT_PTR, TSimpleTimer*> live_;
  ui::MessageWindow window_;
};

using SharedTimerWindow = ui::SharedHiddenWindow<TSimpleTimerHandler>;

// Periodic timer, created and freed in code on the GUI thread. While Active
// with a non-zero Period and an OnTick, OnTick runs every Period milliseconds
// whenever the thread dispatches messages.
class TSimpleTimer {
 public:
  static constexpr unsigned kDefaultPeriod = 1000;

  // Inactive, Period 1000, no OnTick.
  TSimpleTimer();
  // Inactive with the given Period and OnTick.
  TSimpleTimer(unsigned period, TTimerNotifyEvent onTick);
  // Stops the system timer and releases the shared window (freed with the last timer).
  ~TSimpleTimer();

  // The address is the system timer's identifier, so a timer never moves.
  TSimpleTimer(const TSimpleTimer&) = delete;
  TSimpleTimer& operator=(const TSimpleTimer&) = delete;

  // Whether the timer is meant to run (it may be stopped by Period 0 or no OnTick).
  bool Active() const noexcept { return active_; }
  // True: Activate (restarting a running timer). False: Deactivate(true).
  void SetActive(bool value);

  // Milliseconds between ticks.
  unsigned Period() const noexcept { return period_; }
  // A new value restarts an active timer from now; 0 stops it with Active kept True.
  void SetPeriod(unsigned value);

  // The tick event.
  const TTimerNotifyEvent& OnTick() const noexcept { return onTick_; }
  // Stores the event; an empty one stops an active timer with Active kept True.
  void SetOnTick(TTimerNotifyEvent value);

  // Starts or restarts the system timer; false (nothing changed) for Period 0,
  // false and inactive when the system refuses.
  bool Activate();
  // Stops the system timer, clearing Active if asked; false if none was running.
  bool Deactivate(bool clearActive);

  // The identifier used with SetTimer and carried in WM_TIMER's wParam.
  UINT_PTR Id() const noexcept { return id_; }

 private:
  HWND Window() const noexcept { return handler_->Window(); }

  const UINT_PTR id_;
  bool active_ = false;
  unsigned period_;
  TTimerNotifyEvent onTick_;
  SharedTimerWindow::Lease handler_;
};

}  // namespace tallivo
