#include "ui/calculator_popup_win.h"

#include <array>
#include <string_view>

#include "ui/handles_win.h"
#include "ui/text_win.h"

namespace tallivo::ui {
namespace {

constexpr wchar_t kClassName[] = L"TallivoCalculator";
constexpr int kColumns = 5;
constexpr int kRows = 5;

struct KeyFace {
  std::wstring_view label;
  CalculatorKey key;
};

// Laid out like a pocket calculator; "C" sits where "CE" is pressed less often.
constexpr std::array<KeyFace, kColumns * kRows> kKeys{{
    {L"\u2190", CalculatorKey::Backspace},  {L"CE", CalculatorKey::ClearEntry},
    {L"C", CalculatorKey::Clear},           {L"\u00B1", CalculatorKey::Sign},
    {L"\u221A", CalculatorKey::SquareRoot}, {L"7", CalculatorKey::Digit7},
    {L"8", CalculatorKey::Digit8},          {L"9", CalculatorKey::Digit9},
    {L"/", CalculatorKey::Divide},          {L"%", CalculatorKey::Percent},
    {L"4", CalculatorKey::Digit4},          {L"5", CalculatorKey::Digit5},
    {L"6", CalculatorKey::Digit6},          {L"*", CalculatorKey::Multiply},
    {L"1/x", CalculatorKey::Reciprocal},    {L"1", CalculatorKey::Digit1},
    {L"2", CalculatorKey::Digit2},          {L"3", CalculatorKey::Digit3},
    {L"-", CalculatorKey::Subtract},        {L"=", CalculatorKey::Equals},
    {L"0", CalculatorKey::Digit0},          {L"00", CalculatorKey::Digit0},
    {L".", CalculatorKey::Point},           {L"+", CalculatorKey::Add},
    {L"=", CalculatorKey::Equals},
}};

}  // namespace

CalculatorPopup::CalculatorPopup(HWND anchor, std::optional<double> initial, int precision,
                                 const NumberSeparators& separators, HFONT font, UINT acceptMessage)
    : calculator_(initial, precision, separators),
      separators_(separators),
      anchor_(anchor),
      font_(font),
      acceptMessage_(acceptMessage),
      unit_(MulDiv(30, static_cast<int>(GetDpiForWindow(anchor) ? GetDpiForWindow(anchor) : 96), 96)) {
  RegisterWindowClass(kClassName, CS_DROPSHADOW, LoadCursorW(nullptr, IDC_ARROW));
  RECT anchorRect;
  GetWindowRect(anchor, &anchorRect);
  const int width = unit_ * kColumns + 2;
  const int height = unit_ * (kRows + 1) + 2;
  int x = anchorRect.left;
  int y = anchorRect.bottom;
  MONITORINFO mi{};
  mi.cbSize = sizeof(mi);
  if (GetMonitorInfoW(MonitorFromWindow(anchor, MONITOR_DEFAULTTONEAREST), &mi)) {
    if (y + height > mi.rcWork.bottom) y = anchorRect.top - height;
    if (x + width > mi.rcWork.right) x = mi.rcWork.right - width;
  }
  hwnd_ = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, kClassName, L"",
                          WS_POPUP | WS_BORDER, x, y, width, height, GetAncestor(anchor, GA_ROOT), nullptr,
                          WindowClassModule(), static_cast<WindowReceiver*>(this));
  if (hwnd_) ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
}

CalculatorPopup::~CalculatorPopup() {
  if (hwnd_) DestroyWindow(hwnd_);
}

LRESULT CalculatorPopup::ReceiveMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) hwnd_ = window;
  if (msg == WM_NCDESTROY) {
    hwnd_ = nullptr;
    return DefWindowProcW(window, msg, wParam, lParam);
  }
  return Handle(msg, wParam, lParam);
}

LRESULT CalculatorPopup::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      Paint(dc);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_LBUTTONDOWN:
      pressed_ = KeyAt(POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
      InvalidateRect(hwnd_, nullptr, FALSE);
      return 0;
    case WM_LBUTTONUP: {
      const int key = KeyAt(POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
      const bool hit = key >= 0 && key == pressed_;
      pressed_ = -1;
      InvalidateRect(hwnd_, nullptr, FALSE);
      if (!hit) return 0;
      const KeyFace& face = kKeys[static_cast<std::size_t>(key)];
      Press(face.key);
      if (face.label == L"00") Press(face.key);
      // "=" hands the result to the field, which closes us from its own procedure.
      if (face.key == CalculatorKey::Equals) PostMessageW(anchor_, acceptMessage_, 0, 0);
      return 0;
    }
    default:
      return DefWindowProcW(hwnd_, msg, wParam, lParam);
  }
}

bool CalculatorPopup::Key(UINT msg, WPARAM key) {
  if (msg == WM_CHAR) {
    const auto mapped = CalculatorKeyForChar(static_cast<char32_t>(key), separators_);
    if (!mapped) return false;
    Press(*mapped);
    return true;
  }
  switch (key) {
    case VK_BACK:
      Press(CalculatorKey::Backspace);
      return true;
    case VK_DELETE:
      Press(CalculatorKey::ClearEntry);
      return true;
    default:
      return false;
  }
}

void CalculatorPopup::Press(CalculatorKey key) {
  calculator_.Press(key);
  if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

RECT CalculatorPopup::DisplayRect() const {
  return RECT{2, 2, unit_ * kColumns - 2, unit_ - 2};
}

RECT CalculatorPopup::KeyRect(int index) const {
  const int col = index % kColumns;
  const int row = index / kColumns + 1;
  return RECT{col * unit_ + 1, row * unit_ + 1, (col + 1) * unit_ - 1, (row + 1) * unit_ - 1};
}

int CalculatorPopup::KeyAt(POINT p) const {
  for (int i = 0; i < kColumns * kRows; ++i) {
    const RECT r = KeyRect(i);
    if (PtInRect(&r, p)) return i;
  }
  return -1;
}

void CalculatorPopup::Paint(HDC dc) {
  RECT client;
  GetClientRect(hwnd_, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  SelectObjectScope font(dc, font_);
  SetBkMode(dc, TRANSPARENT);
  RECT display = DisplayRect();
  FillRect(dc, &display, GetSysColorBrush(COLOR_WINDOW));
  DrawEdge(dc, &display, EDGE_SUNKEN, BF_RECT);
  InflateRect(&display, -4, 0);
  const std::wstring text = Widen(calculator_.DisplayText());
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &display, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
  for (int i = 0; i < kColumns * kRows; ++i) {
    RECT r = KeyRect(i);
    DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (i == pressed_ ? DFCS_PUSHED : 0));
    const KeyFace& face = kKeys[static_cast<std::size_t>(i)];
    std::wstring label(face.label);
    if (face.key == CalculatorKey::Point) label = Widen(separators_.decimal);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
}

}  // namespace tallivo::ui
