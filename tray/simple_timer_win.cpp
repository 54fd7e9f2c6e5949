#include "tray/simple_timer_win.h"

#include <utility>

namespace tallivo {
namespace {

constexpr wchar_t kTimerWindowClass[] = L"TallivoTimerWindow";

}  // namespace

TSimpleTimerHandler::TSimpleTimerHandler() : window_(kTimerWindowClass, *this) {}

LRESULT TSimpleTimerHandler::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_TIMER) return DefWindowProcW(window, message, wParam, lParam);
  const auto found = live_.find(wParam);
  if (found == live_.end()) return 0;
  TSimpleTimer* timer = found->second;
  // A copy, because the event may free its timer (even the last one, and with
  // it this handler) or replace itself; nothing here is touched afterwards.
  if (const TTimerNotifyEvent tick = timer->OnTick()) tick(timer);
  return 0;
}

TSimpleTimer::TSimpleTimer() : TSimpleTimer(kDefaultPeriod, nullptr) {}

TSimpleTimer::TSimpleTimer(unsigned period, TTimerNotifyEvent onTick)
    : id_(reinterpret_cast<UINT_PTR>(this)), period_(period), onTick_(std::move(onTick)) {
  handler_->live_.emplace(id_, this);
}

TSimpleTimer::~TSimpleTimer() {
  if (active_) Deactivate(true);
  handler_->live_.erase(id_);
}

void TSimpleTimer::SetActive(bool value) {
  if (value) {
    Activate();
  } else {
    Deactivate(true);
  }
}

void TSimpleTimer::SetPeriod(unsigned value) {
  if (value == period_) return;
  period_ = value;
  if (!active_) return;
  if (value != 0) {
    Activate();
  } else {
    Deactivate(false);
  }
}

void TSimpleTimer::SetOnTick(TTimerNotifyEvent value) {
  onTick_ = std::move(value);
  if (!onTick_ && active_) Deactivate(false);
}

bool TSimpleTimer::Activate() {
  if (period_ == 0) return false;
  // Killing first makes a running timer count its period from now.
  if (active_) Deactivate(true);
  if (Window() == nullptr || SetTimer(Window(), id_, period_, nullptr) == 0) return false;
  active_ = true;
  return true;
}

bool TSimpleTimer::Deactivate(bool clearActive) {
  if (clearActive) active_ = false;
  return Window() != nullptr && KillTimer(Window(), id_) != 0;
}

}  // namespace tallivo
