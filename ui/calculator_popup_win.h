// The drop-down calculator: a window that never takes the activation, so the
// field keeps the focus and forwards its keys.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>

#include "ui/calculator.h"
#include "ui/message_window_win.h"
#include "ui/window_binding_win.h"

namespace tallivo::ui {

class CalculatorPopup : public WindowReceiver {
 public:
  // Opens below `anchor` (a field's window). `onAccept` is posted back through
  // `acceptMessage` to the anchor when "=" is clicked.
  CalculatorPopup(HWND anchor, std::optional<double> initial, int precision,
                  const NumberSeparators& separators, HFONT font, UINT acceptMessage);
  ~CalculatorPopup();
  CalculatorPopup(const CalculatorPopup&) = delete;
  CalculatorPopup& operator=(const CalculatorPopup&) = delete;

  // A key typed in the field (WM_CHAR or WM_KEYDOWN); true when it was a
  // calculator key.
  bool Key(UINT msg, WPARAM key);
  std::optional<double> Value() const { return calculator_.Value(); }
  std::string DisplayText() const { return calculator_.DisplayText(); }
  HWND Handle() const { return hwnd_; }

 private:
  LRESULT ReceiveMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);
  void Paint(HDC dc);
  int KeyAt(POINT p) const;
  RECT KeyRect(int index) const;
  RECT DisplayRect() const;
  void Press(CalculatorKey key);

  Calculator calculator_;
  NumberSeparators separators_;
  HWND anchor_;
  HWND hwnd_ = nullptr;
  HFONT font_;
  UINT acceptMessage_;
  int unit_;  // key size in pixels
  int pressed_ = -1;
};

}  // namespace tallivo::ui
