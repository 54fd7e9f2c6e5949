#include "ui/amount_edit_win.h"

#include <windowsx.h>

#include <cmath>

#include "ui/application_win.h"
#include "ui/calculator_popup_win.h"
#include "ui/form_win.h"
#include "ui/text_win.h"

namespace tallivo::ui {
namespace {

// Posted to a field that refused its value on losing the focus: take it back.
constexpr UINT kRefocusMessage = WM_APP + 0x3E0;
// Posted by the drop-down calculator when "=" is clicked.
constexpr UINT kAcceptMessage = WM_APP + 0x3E1;

std::string LocaleString(LCTYPE type, const char* fallback) {
  wchar_t buffer[16] = {};
  if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buffer, 16) <= 1) return fallback;
  return Narrow(buffer);
}

// Whether typing `typed` would put a second decimal separator into the edit:
// the text around the selection, which the typed text replaces, has one.
bool SecondDecimalSeparator(HWND edit, const std::string& typed, const NumberSeparators& separators) {
  if (typed != (separators.decimal.empty() ? "." : separators.decimal)) return false;
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  if (start <= end && end <= text.size()) text.erase(start, end - start);
  return text.find(Widen(typed)) != std::wstring::npos;
}

// What a field shows for `value`: the edit text while editing, the display text otherwise.
std::string ShownText(bool editing, std::optional<double> value, const AmountFieldSettings& settings) {
  const NumberSeparators separators = SystemSeparators();
  return editing ? EditText(value, settings, separators) : DisplayText(value, settings, separators);
}

// The height that fits a line of the field's font.
int FittedHeight(const TWinControl& field) {
  return FontMetrics(field.FontHandle()).tmHeight + field.Scale(6);
}

TShortCut KeyShortCut(WPARAM key) {
  return MakeShortCut(static_cast<unsigned>(key), GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0,
                      GetKeyState(VK_MENU) < 0);
}

}  // namespace

namespace {

NumberSeparators& CachedSeparators() {
  static NumberSeparators separators{LocaleString(LOCALE_STHOUSAND, ","), LocaleString(LOCALE_SDECIMAL, ".")};
  return separators;
}

}  // namespace

// Read once: every field formats on every change, and the locale only
// changes when the user says so (WM_SETTINGCHANGE).
NumberSeparators SystemSeparators() {
  return CachedSeparators();
}

void RefreshSystemSeparators() {
  CachedSeparators() = {LocaleString(LOCALE_STHOUSAND, ","), LocaleString(LOCALE_SDECIMAL, ".")};
}

template <>
const EnumNames& EnumNamesOf<TEditLookAndFeel>() {
  static const EnumNames names{{"lfStandard", "lfFlat", "lfUltraFlat"}};
  return names;
}

const ClassInfo& TEditStyle::StaticClass() {
  static const ClassInfo info(
      "TEditStyle", nullptr, nullptr,
      {
          Property<TEditStyle>("LookAndFeel", &TEditStyle::LookAndFeel, &TEditStyle::SetLookAndFeel,
                               TEditLookAndFeel::lfStandard),
          Property<TEditStyle>("Shadow", &TEditStyle::Shadow, &TEditStyle::SetShadow, false),
          // The field's own font under another name; stored as Font.
          [] {
            PropInfo font = ObjectProperty<TEditStyle>("Font", &TEditStyle::Font);
            font.stored = [](const TPersistent&) { return false; };
            return font;
          }(),
      });
  return info;
}

void TEditStyle::SetShadow(bool v) {
  shadow_ = v;
  edit_.StyleChanged();
}

void TEditStyle::SetLookAndFeel(TEditLookAndFeel v) {
  lookAndFeel_ = v;
  edit_.StyleChanged();
}

TFont* TEditStyle::Font() const {
  return edit_.Font();
}

TCustomAmountEdit::TCustomAmountEdit(TComponent* owner, AmountFieldKind kind)
    : TWinControl(owner), style_(std::make_unique<TEditStyle>(*this)) {
  settings_.kind = kind;
  value_ = 0.0;
  SetTabStop(true);
  SetColor(clWindow);
}

TCustomAmountEdit::~TCustomAmountEdit() = default;

const ClassInfo& TCustomAmountEdit::StaticClass() {
  using E = TCustomAmountEdit;
  static const ClassInfo info(
      "TCustomAmountEdit", &TWinControl::StaticClass(), nullptr,
      {
          Property<E>("Color", &E::Color, &E::SetColor, clWindow),
          Property<E>("ParentColor", &E::ParentColor, &E::SetParentColor, false),
          Property<E>("TabStop", &E::TabStop, &E::SetTabStop, true),
          Property<E>("ClearKey", &E::ClearKey, &E::SetClearKey, 0),
          Property<E>("DisplayFormat", &E::DisplayFormat, &E::SetDisplayFormat, std::string()),
          Property<E>("EditFormat", &E::EditFormat, &E::SetEditFormat, std::string()),
          Property<E>("ImmediatePost", &E::ImmediatePost, &E::SetImmediatePost, false),
          Property<E>("MaxValue", &E::MaxValue, &E::SetMaxValue, 0.0),
          Property<E>("MinValue", &E::MinValue, &E::SetMinValue, 0.0),
          Property<E>("NullString", &E::NullString, &E::SetNullString, std::string()),
          Property<E>("Precision", &E::Precision, &E::SetPrecision, 0),
          Property<E>("ReadOnly", &E::ReadOnly, &E::SetReadOnly, false),
          ObjectProperty<E>("Style", &E::Style),
          Property<E>("UseDisplayFormatWhenEditing", &E::UseDisplayFormatWhenEditing,
                      &E::SetUseDisplayFormatWhenEditing, false),
          Property<E>("UseLeftAlignmentOnEditing", &E::UseLeftAlignmentOnEditing,
                      &E::SetUseLeftAlignmentOnEditing, false),
          Property<E>("UseThousandSeparator", &E::UseThousandSeparator, &E::SetUseThousandSeparator, false),
          Property<E>("Value", &E::Value, &E::SetValue, 0.0),
          EventProperty<E>("OnChange", &E::OnChange),
          EventProperty<E>("OnEditValueChanged", &E::OnEditValueChanged),
      });
  return info;
}

void TCustomAmountEdit::SetDisplayFormat(std::string v) {
  settings_.display_format = std::move(v);
  ShowValue();
}
void TCustomAmountEdit::SetEditFormat(std::string v) {
  settings_.edit_format = std::move(v);
  ShowValue();
}
void TCustomAmountEdit::SetNullString(std::string v) {
  settings_.null_string = std::move(v);
  ShowValue();
}
void TCustomAmountEdit::SetUseThousandSeparator(bool v) {
  settings_.use_thousand_separator = v;
  ShowValue();
}
void TCustomAmountEdit::SetPrecision(int v) {
  settings_.precision = v;
  ShowValue();
}
void TCustomAmountEdit::SetUseDisplayFormatWhenEditing(bool v) {
  settings_.use_display_format_when_editing = v;
  ShowValue();
}
void TCustomAmountEdit::SetUseLeftAlignmentOnEditing(bool v) {
  leftWhileEditing_ = v;
  if (HandleAllocated()) {
    LONG_PTR style = GetWindowLongPtrW(Handle(), GWL_STYLE) & ~static_cast<LONG_PTR>(ES_RIGHT | ES_CENTER);
    SetWindowLongPtrW(Handle(), GWL_STYLE, style | (v ? ES_LEFT : ES_RIGHT));
    Invalidate();
  }
}
void TCustomAmountEdit::SetReadOnly(bool v) {
  readOnly_ = v;
  if (HandleAllocated()) SendMessageW(Handle(), EM_SETREADONLY, v, 0);
}

void TCustomAmountEdit::StyleChanged() {
  if (!HandleAllocated()) return;
  LONG_PTR ex = GetWindowLongPtrW(Handle(), GWL_EXSTYLE) & ~static_cast<LONG_PTR>(WS_EX_CLIENTEDGE);
  LONG_PTR style = GetWindowLongPtrW(Handle(), GWL_STYLE) & ~static_cast<LONG_PTR>(WS_BORDER);
  if (style_->LookAndFeel() == TEditLookAndFeel::lfStandard) {
    ex |= WS_EX_CLIENTEDGE;
  } else {
    style |= WS_BORDER;
  }
  SetWindowLongPtrW(Handle(), GWL_EXSTYLE, ex);
  SetWindowLongPtrW(Handle(), GWL_STYLE, style);
  SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  AdjustHeight();
  if (Parent()) Parent()->Invalidate();
}

void TCustomAmountEdit::FillCreateParams(CreateParams& params) {
  TWinControl::FillCreateParams(params);
  params.className = L"EDIT";
  params.nativeClass = true;
  params.style |= ES_AUTOHSCROLL | (leftWhileEditing_ ? ES_LEFT : ES_RIGHT) | (readOnly_ ? ES_READONLY : 0);
  if (style_->LookAndFeel() == TEditLookAndFeel::lfStandard) {
    params.exStyle |= WS_EX_CLIENTEDGE;
  } else {
    params.style |= WS_BORDER;
  }
  // Created showing the value, at the height AdjustHeight fits it to.
  params.text = Widen(ShownText(editing_, value_, settings_));
  params.height = FittedHeight(*this);
}

void TCustomAmountEdit::HandleCreated() {
  // The drop-down button's room is only asked for once the window is subclassed.
  if (ButtonWidth() > 0) {
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  }
  AdjustHeight();
}

void TCustomAmountEdit::FontChanged() {
  TWinControl::FontChanged();
  AdjustHeight();
}

void TCustomAmountEdit::DpiChanged() {
  TWinControl::DpiChanged();
  if (HandleAllocated())
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  AdjustHeight();
}

void TCustomAmountEdit::AdjustHeight() {
  if (!HandleAllocated()) return;
  const int height = FittedHeight(*this);
  RECT r;
  GetWindowRect(Handle(), &r);
  if (r.bottom - r.top == height) return;
  SetWindowPos(Handle(), nullptr, 0, 0, r.right - r.left, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string TCustomAmountEdit::Text() const {
  return HandleAllocated() ? WindowText(Handle()) : std::string();
}

void TCustomAmountEdit::SetText(const std::string& text) {
  if (!HandleAllocated()) return;
  settingText_ = true;
  SetWindowTextW(Handle(), Widen(text).c_str());
  settingText_ = false;
  if (!editing_ && leftWhileEditing_) {
    InvalidateRect(Handle(), nullptr, TRUE);
    UpdateWindow(Handle());
  }
}

void TCustomAmountEdit::ShowValue() {
  if (!HandleAllocated()) return;
  SetText(ShownText(editing_, value_, settings_));
}

void TCustomAmountEdit::Changed() {
  if (OnChange && !Loading()) OnChange(this);
}

void TCustomAmountEdit::SetEditValue(std::optional<double> v) {
  if (v && !std::isfinite(*v)) v.reset();
  const bool same = v.has_value() == value_.has_value() && (!v || *v == *value_);
  // Storing over typed text changes what the field shows: that is a change too.
  const bool textChanges = modified_;
  if (same && !textChanges) return;
  value_ = v;
  modified_ = false;
  ShowValue();
  Changed();
}

void TCustomAmountEdit::SetValue(double v) {
  SetEditValue(settings_.bounds.Clamp(v));
}

std::optional<double> TCustomAmountEdit::CurrentValue() const {
  if (editing_ && modified_) return ParseFieldText(Text(), settings_, SystemSeparators());
  return value_;
}

bool TCustomAmountEdit::ValidateEdit() {
  if (!modified_) return true;
  const std::optional<double> v = ParseFieldText(Text(), settings_, SystemSeparators());
  if (v && !settings_.bounds.Contains(*v)) {
    refusing_ = true;
    Application().MessageBox("Value out of bounds", Application().Title(), MB_OK | MB_ICONERROR);
    refusing_ = false;
    refused_ = true;
    // Back to this field however the activation and the focus change race.
    if (TForm* form = ParentForm(); form && HandleAllocated()) form->RememberFocus(Handle());
    if (HandleAllocated()) PostMessageW(Handle(), kRefocusMessage, 0, 0);
    return false;
  }
  const bool changed = v.has_value() != value_.has_value() || (v && *v != *value_);
  value_ = v;
  modified_ = false;
  refused_ = false;
  if (changed && OnEditValueChanged && !Loading()) OnEditValueChanged(this);
  return true;
}

void TCustomAmountEdit::SelectAll() {
  if (HandleAllocated()) SendMessageW(Handle(), EM_SETSEL, 0, -1);
}

void TCustomAmountEdit::ChangeFromDropDown(std::optional<double> value) {
  if (!value) return;
  if (immediatePost_) {
    SetEditValue(value);
  } else {
    SetText(EditText(value, settings_, SystemSeparators()));
    modified_ = true;
    Changed();
  }
  SelectAll();
}

bool TCustomAmountEdit::ReflectCommand(WORD code) {
  if (code == EN_CHANGE && !settingText_ && editing_) {
    refused_ = false;
    modified_ = true;
    Changed();
    return true;
  }
  return false;
}

RECT TCustomAmountEdit::ButtonRect() const {
  RECT window;
  GetWindowRect(Handle(), &window);
  RECT client;
  GetClientRect(Handle(), &client);
  MapWindowPoints(Handle(), nullptr, reinterpret_cast<POINT*>(&client), 2);
  return RECT{client.right, client.top, client.right + ButtonWidth(), client.bottom};
}

void TCustomAmountEdit::PaintBehind(HDC dc) const {
  if (!style_->Shadow() || !HandleAllocated() || !IsWindowVisible(Handle())) return;
  RECT r;
  GetWindowRect(Handle(), &r);
  MapWindowPoints(nullptr, GetParent(Handle()), reinterpret_cast<POINT*>(&r), 2);
  const int d = Scale(2);
  HBRUSH shadow = GetSysColorBrush(COLOR_BTNSHADOW);
  const RECT right{r.right, r.top + d, r.right + d, r.bottom + d};
  const RECT bottom{r.left + d, r.bottom, r.right, r.bottom + d};
  FillRect(dc, &right, shadow);
  FillRect(dc, &bottom, shadow);
}

void TCustomAmountEdit::PaintDisplay() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(Handle(), &ps);
  RECT r;
  GetClientRect(Handle(), &r);
  HBRUSH brush = BackgroundBrush();
  ReflectCtlColor(dc, brush);
  FillRect(dc, &r, brush);
  SelectObjectScope font(dc, FontHandle());
  const DWORD margins = static_cast<DWORD>(SendMessageW(Handle(), EM_GETMARGINS, 0, 0));
  r.left += LOWORD(margins);
  r.right -= HIWORD(margins) + 1;
  const std::wstring text = Widen(Text());
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_RIGHT | DT_SINGLELINE | DT_NOPREFIX);
  EndPaint(Handle(), &ps);
}

LRESULT TCustomAmountEdit::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SETFOCUS: {
      const LRESULT r = DefaultHandler(msg, wParam, lParam);
      if (!editing_) {
        editing_ = true;
        modified_ = false;
        ShowValue();
      }
      SelectAll();
      if (leftWhileEditing_) Invalidate();
      return r;
    }
    case WM_KILLFOCUS: {
      const LRESULT r = DefaultHandler(msg, wParam, lParam);
      FocusLost();
      TForm* form = ParentForm();
      if (refusing_ || !editing_ || !form || form->Destroying()) return r;
      // Only leaving for another control of the form ends the edit; a message
      // box or another program taking the focus does not.
      const auto to = reinterpret_cast<HWND>(wParam);
      if (!to || !IsChild(form->Handle(), to)) return r;
      if (refused_) {
        // The refused value is still there: come back without asking again
        // (the activation that follows the message box may move the focus late).
        PostMessageW(Handle(), kRefocusMessage, 0, 0);
        return r;
      }
      if (!ValidateEdit()) return r;
      editing_ = false;
      ShowValue();
      return r;
    }
    case WM_SETTINGCHANGE:
      RefreshSystemSeparators();
      ShowValue();
      break;
    case kRefocusMessage:
      SetFocus();
      SelectAll();
      return 0;
    case kAcceptMessage:
      if (auto* calc = dynamic_cast<TCalcAmountEdit*>(this)) calc->CloseUp(true);
      return 0;
    case WM_GETDLGCODE: {
      LRESULT r = DefaultHandler(msg, wParam, lParam);
      const auto* m = reinterpret_cast<const MSG*>(lParam);
      if (m && m->message == WM_KEYDOWN && (m->wParam == VK_RETURN || DropDownKey(0, m->wParam)))
        r |= DLGC_WANTALLKEYS;
      return r;
    }
    case WM_KEYDOWN: {
      if (DropDownKey(WM_KEYDOWN, wParam)) return 0;
      const TShortCut shortCut = KeyShortCut(wParam);
      if (clearKey_ != 0 && shortCut == clearKey_ && !readOnly_) {
        // The user empties the field: store null whatever was typed.
        value_.reset();
        modified_ = false;
        ShowValue();
        dropChar_ = true;
        Changed();
        return 0;
      }
      if (wParam == VK_RETURN) {
        if (ValidateEdit()) {
          ShowValue();
          SelectAll();
        }
        return 0;
      }
      if ((wParam == VK_DOWN && GetKeyState(VK_MENU) < 0) || wParam == VK_F4) {
        if (ButtonWidth() > 0) ButtonClicked();
        return 0;
      }
      break;
    }
    case WM_SYSKEYDOWN:
      if (wParam == VK_DOWN && ButtonWidth() > 0) {
        ButtonClicked();
        return 0;
      }
      break;
    case WM_CHAR: {
      if (dropChar_) {
        dropChar_ = false;
        return 0;
      }
      if (DropDownKey(WM_CHAR, wParam)) return 0;
      if (wParam == 1) {  // Ctrl+A
        SelectAll();
        return 0;
      }
      if (wParam < 0x20 || readOnly_) break;
      const auto typed = TypedText(static_cast<char32_t>(wParam), settings_.kind, SystemSeparators());
      // A second separator would make the text unreadable, and a change
      // field resets an unreadable text to 0: refuse it.
      if (!typed || SecondDecimalSeparator(Handle(), *typed, SystemSeparators())) {
        MessageBeep(MB_OK);
        return 0;
      }
      const std::wstring text = Widen(*typed);
      if (text.size() == 1 && text[0] == static_cast<wchar_t>(wParam)) break;
      SendMessageW(Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
      return 0;
    }
    case WM_PAINT:
      if (!editing_ && leftWhileEditing_) {
        PaintDisplay();
        return 0;
      }
      break;
    case WM_NCCALCSIZE: {
      const LRESULT r = DefaultHandler(msg, wParam, lParam);
      if (const int w = ButtonWidth(); w > 0) {
        auto* rect =
            wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : reinterpret_cast<RECT*>(lParam);
        rect->right -= w;
      }
      return r;
    }
    case WM_NCPAINT: {
      const LRESULT r = DefaultHandler(msg, wParam, lParam);
      const bool flat = style_->LookAndFeel() != TEditLookAndFeel::lfStandard;
      // A standard field without a button has nothing to add to the frame,
      // and fetching a window DC is not free.
      if (!flat && ButtonWidth() == 0) return r;
      HDC dc = GetWindowDC(Handle());
      RECT window;
      GetWindowRect(Handle(), &window);
      if (flat) {
        RECT frame{0, 0, window.right - window.left, window.bottom - window.top};
        FrameRect(dc, &frame, GetSysColorBrush(COLOR_BTNSHADOW));
      }
      if (ButtonWidth() > 0) {
        RECT b = ButtonRect();
        OffsetRect(&b, -window.left, -window.top);
        PaintButton(dc, b);
      }
      ReleaseDC(Handle(), dc);
      return r;
    }
    case WM_NCHITTEST: {
      const LRESULT r = DefaultHandler(msg, wParam, lParam);
      if (ButtonWidth() > 0) {
        const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        const RECT b = ButtonRect();
        if (PtInRect(&b, p)) return HTBORDER;
      }
      return r;
    }
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
      if (ButtonWidth() > 0) {
        const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        const RECT b = ButtonRect();
        if (PtInRect(&b, p)) {
          if (!Focused()) SetFocus();
          ButtonClicked();
          return 0;
        }
      }
      break;
    default:
      break;
  }
  return TWinControl::WndProc(msg, wParam, lParam);
}

TCalcAmountEdit::TCalcAmountEdit(TComponent* owner) : TCustomAmountEdit(owner, AmountFieldKind::Calculator) {}

TCalcAmountEdit::~TCalcAmountEdit() = default;

const ClassInfo& TCalcAmountEdit::StaticClass() {
  static const ClassInfo info("TCalcAmountEdit", &TCustomAmountEdit::StaticClass(),
                              &Construct<TCalcAmountEdit>, {});
  return info;
}

int TCalcAmountEdit::ButtonWidth() const {
  return ReadOnly() ? 0 : GetSystemMetricsForDpi(SM_CXVSCROLL, static_cast<UINT>(Dpi()));
}

void TCalcAmountEdit::PaintButton(HDC dc, const RECT& r) const {
  RECT b = r;
  DrawFrameControl(dc, &b, DFC_SCROLL, DFCS_SCROLLCOMBOBOX | (DroppedDown() ? DFCS_PUSHED : 0));
}

void TCalcAmountEdit::ButtonClicked() {
  if (DroppedDown()) {
    CloseUp(false);
  } else {
    DropDown();
  }
}

void TCalcAmountEdit::DropDown() {
  if (DroppedDown() || !HandleAllocated()) return;
  popup_ = std::make_unique<CalculatorPopup>(Handle(), CurrentValue(), Precision() > 0 ? Precision() : 10,
                                             SystemSeparators(), FontHandle(), kAcceptMessage);
  SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
}

void TCalcAmountEdit::CloseUp(bool accept) {
  if (!popup_) return;
  const std::optional<double> value = popup_->Value();
  popup_.reset();
  if (HandleAllocated())
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  if (accept) ChangeFromDropDown(value);
}

bool TCalcAmountEdit::DropDownKey(UINT msg, WPARAM key) {
  if (!popup_) return false;
  if (msg == 0) return key == VK_ESCAPE || key == VK_RETURN;  // asked by WM_GETDLGCODE
  if (msg == WM_KEYDOWN && key == VK_ESCAPE) {
    CloseUp(false);
    return true;
  }
  if (msg == WM_KEYDOWN && key == VK_RETURN) {
    CloseUp(true);
    return true;
  }
  if (msg == WM_CHAR && (key == L'\r' || key == 0x1B)) return true;
  return popup_->Key(msg, key);
}

void TCalcAmountEdit::FocusLost() {
  CloseUp(false);
}

const ClassInfo& TCurrencyAmountEdit::StaticClass() {
  static const ClassInfo info("TCurrencyAmountEdit", &TCustomAmountEdit::StaticClass(),
                              &Construct<TCurrencyAmountEdit>, {});
  return info;
}

}  // namespace tallivo::ui
