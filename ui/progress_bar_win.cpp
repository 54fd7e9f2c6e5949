#include "ui/progress_bar_win.h"

#include <commctrl.h>

#include <algorithm>

namespace tallivo::ui {

const ClassInfo& TProgressBar::StaticClass() {
  static const ClassInfo info(
      "TProgressBar", &TWinControl::StaticClass(), &Construct<TProgressBar>,
      {
          Property<TProgressBar>("Max", &TProgressBar::Max, &TProgressBar::SetMax, 100),
          Property<TProgressBar>("Min", &TProgressBar::Min, &TProgressBar::SetMin, 0),
          Property<TProgressBar>("Position", &TProgressBar::Position, &TProgressBar::SetPosition, 0),
      });
  return info;
}

void TProgressBar::SetMin(int v) {
  min_ = v;
  max_ = std::max(max_, v);
  HandleCreated();
}

void TProgressBar::SetMax(int v) {
  max_ = v;
  min_ = std::min(min_, v);
  HandleCreated();
}

void TProgressBar::SetPosition(int v) {
  position_ = std::clamp(v, min_, max_);
  if (HandleAllocated()) SendMessageW(Handle(), PBM_SETPOS, static_cast<WPARAM>(position_), 0);
}

void TProgressBar::FillCreateParams(CreateParams& params) {
  TWinControl::FillCreateParams(params);
  params.className = PROGRESS_CLASSW;
  params.nativeClass = true;
}

void TProgressBar::HandleCreated() {
  position_ = std::clamp(position_, min_, max_);
  if (!HandleAllocated()) return;
  SendMessageW(Handle(), PBM_SETRANGE32, static_cast<WPARAM>(min_), static_cast<LPARAM>(max_));
  SendMessageW(Handle(), PBM_SETPOS, static_cast<WPARAM>(position_), 0);
}

}  // namespace tallivo::ui
