#include "ui/control_win.h"

#include <algorithm>

#include "ui/form_win.h"
#include "ui/message_window_win.h"
#include "ui/text_win.h"

namespace tallivo::ui {
namespace {

constexpr wchar_t kOwnClass[] = L"TallivoControl";

bool TabOrderLess(const TWinControl* a, const TWinControl* b) {
  return (a->TabOrder() < 0 ? INT_MAX : a->TabOrder()) < (b->TabOrder() < 0 ? INT_MAX : b->TabOrder());
}

}  // namespace

template <>
const EnumNames& EnumNamesOf<TAlign>() {
  static const EnumNames names{{"alNone", "alTop", "alBottom", "alClient"}};
  return names;
}

namespace {}  // namespace

int ControlIdFromName(std::string_view name) {
  std::uint32_t h = 2166136261u;
  for (char c : name) {
    const char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    h = (h ^ static_cast<unsigned char>(lower)) * 16777619u;
  }
  return static_cast<int>(0x1000 + (h % 0xE000));
}

std::string WindowText(HWND hwnd) {
  const int n = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  const int got = GetWindowTextW(hwnd, text.data(), n + 1);
  text.resize(static_cast<std::size_t>(std::max(got, 0)));
  return Narrow(text);
}

SIZE MeasureText(HFONT font, const std::wstring& text, UINT format) {
  const MemoryDc dc;
  const SelectObjectScope selected(dc.Get(), font);
  RECT r{0, 0, 0, 0};
  DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &r, format | DT_CALCRECT);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

TEXTMETRICW FontMetrics(HFONT font) {
  const MemoryDc dc;
  const SelectObjectScope selected(dc.Get(), font);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc.Get(), &tm);
  return tm;
}

TWinControl::TWinControl(TComponent* owner) : TComponent(owner), font_(std::make_unique<TFont>()) {
  font_->OnChange = [this] { FontChanged(); };
}

TWinControl::~TWinControl() {
  DestroyHandle();
  // What the control owns may still use it (its hooks, its window): free it
  // while the control is whole.
  DestroyComponents();
  for (TWinControl* child : controls_) child->parent_ = nullptr;
  if (parent_) {
    auto& siblings = parent_->controls_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
}

const ClassInfo& TWinControl::StaticClass() {
  static const ClassInfo info(
      "TWinControl", &TComponent::StaticClass(), nullptr,
      {
          Property<TWinControl>("Align", &TWinControl::Align, &TWinControl::SetAlign, TAlign::alNone),
          Property<TWinControl>("Left", &TWinControl::Left, &TWinControl::SetLeft, 0),
          Property<TWinControl>("Top", &TWinControl::Top, &TWinControl::SetTop, 0),
          Property<TWinControl>("Width", &TWinControl::Width, &TWinControl::SetWidth, 0),
          Property<TWinControl>("Height", &TWinControl::Height, &TWinControl::SetHeight, 0),
          Property<TWinControl>("Color", &TWinControl::Color, &TWinControl::SetColor, clBtnFace),
          Property<TWinControl>("ParentColor", &TWinControl::ParentColor, &TWinControl::SetParentColor, true),
          ObjectProperty<TWinControl>("Font", &TWinControl::Font),
          Property<TWinControl>("ParentFont", &TWinControl::ParentFont, &TWinControl::SetParentFont, true),
          Property<TWinControl>("Enabled", &TWinControl::Enabled, &TWinControl::SetEnabled, true),
          Property<TWinControl>("Visible", &TWinControl::Visible, &TWinControl::SetVisible, true),
          Property<TWinControl>("Hint", &TWinControl::Hint, &TWinControl::SetHint, std::string()),
          Property<TWinControl>("ShowHint", &TWinControl::ShowHint, &TWinControl::SetShowHint, true),
          Property<TWinControl>("HelpContext", &TWinControl::HelpContext, &TWinControl::SetHelpContext, 0),
          Property<TWinControl>("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder, -1),
          Property<TWinControl>("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop, false),
      });
  return info;
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  const bool resized = width != width_ || height != height_;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  ApplyBounds();
  if (align_ != TAlign::alNone && parent_) parent_->Realign();
  if (resized) Realign();
}

void TWinControl::SetAlign(TAlign v) {
  align_ = v;
  if (parent_) parent_->Realign();
}

void TWinControl::Realign() {
  // Each child placed here realigns its parent again; once is enough.
  if (realigning_) return;
  realigning_ = true;
  RECT area = AlignArea();
  const auto place = [&](TAlign align) {
    for (TWinControl* child : controls_) {
      if (child->align_ != align || !child->visible_) continue;
      const int w = area.right - area.left;
      switch (align) {
        case TAlign::alTop:
          child->SetBounds(area.left, area.top, w, child->height_);
          area.top += child->height_;
          break;
        case TAlign::alBottom:
          area.bottom -= child->height_;
          child->SetBounds(area.left, area.bottom, w, child->height_);
          break;
        default:
          child->SetBounds(area.left, area.top, w, std::max<int>(area.bottom - area.top, 0));
          break;
      }
    }
  };
  place(TAlign::alTop);
  place(TAlign::alBottom);
  place(TAlign::alClient);
  realigning_ = false;
}

RECT TWinControl::ScaledBounds() const {
  return RECT{Scale(left_), Scale(top_), Scale(left_ + width_), Scale(top_ + height_)};
}

void TWinControl::ApplyBounds() {
  if (!hwnd_) return;
  const RECT r = ScaledBounds();
  SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinControl::SetVisible(bool v) {
  visible_ = v;
  if (hwnd_) ShowWindow(hwnd_, v ? SW_SHOWNA : SW_HIDE);
  if (align_ != TAlign::alNone && parent_) parent_->Realign();
}

void TWinControl::SetEnabled(bool v) {
  enabled_ = v;
  if (hwnd_) EnableWindow(hwnd_, v);
}

void TWinControl::SetHint(std::string v) {
  hint_ = std::move(v);
  UpdateHintTool();
}

void TWinControl::SetShowHint(bool v) {
  showHint_ = v;
  UpdateHintTool();
}

void TWinControl::UpdateHintTool() {
  if (!hwnd_) return;
  if (TForm* form = ParentForm(); form && form != this) form->UpdateHint(*this);
}

void TWinControl::SetTabOrder(int v) {
  tabOrder_ = v;
  if (parent_) parent_->ZOrderByTabOrder();
}

void TWinControl::SetTabStop(bool v) {
  tabStop_ = v;
  if (!hwnd_) return;
  LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
  style = v ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
  SetWindowLongPtrW(hwnd_, GWL_STYLE, style);
}

void TWinControl::SetParentFont(bool v) {
  parentFont_ = v;
  if (v) ParentFontChanged();
}

void TWinControl::SetColor(TColor v) {
  if (color_ == v && !parentColor_) return;
  color_ = v;
  parentColor_ = false;
  ColorChanged();
  for (TWinControl* child : controls_) child->ParentColorChanged();
}

void TWinControl::SetParentColor(bool v) {
  parentColor_ = v;
  if (v) ParentColorChanged();
}

void TWinControl::ParentColorChanged() {
  if (!parentColor_ || !parent_) return;
  color_ = parent_->color_;
  ColorChanged();
  for (TWinControl* child : controls_) child->ParentColorChanged();
}

void TWinControl::ParentFontChanged() {
  if (!parentFont_ || !parent_) return;
  // Still the parent's font: ParentFont stays True however the font is told.
  fontFromParent_ = true;
  if (font_->SameAs(*parent_->font_)) {
    FontChanged();
  } else {
    font_->Assign(*parent_->font_);
  }
  fontFromParent_ = false;
}

void TWinControl::FontChanged() {
  if (!fontFromParent_) parentFont_ = false;
  fontHandle_.Reset();
  if (hwnd_) {
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle()), TRUE);
  }
  for (TWinControl* child : controls_) child->ParentFontChanged();
}

void TWinControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent_) {
    auto& siblings = parent_->controls_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  parent_ = parent;
  if (parent_) {
    parent_->controls_.push_back(this);
    if (align_ != TAlign::alNone) parent_->Realign();
    ParentFontChanged();
    ParentColorChanged();
    if (parent_->hwnd_) HandleNeeded();
  }
}

void TWinControl::SetParentComponent(TComponent* parent) {
  if (auto* control = dynamic_cast<TWinControl*>(parent)) SetParent(control);
}

TForm* TWinControl::ParentForm() const {
  const TWinControl* c = this;
  while (c->parent_) c = c->parent_;
  return dynamic_cast<TForm*>(const_cast<TWinControl*>(c));
}

void TWinControl::FillCreateParams(CreateParams& params) {
  if (tabStop_) params.style |= WS_TABSTOP;
  if (!enabled_) params.style |= WS_DISABLED;
}

void TWinControl::HandleNeeded() {
  if (hwnd_) return;
  if (parent_) {
    parent_->HandleNeeded();
    if (hwnd_) return;  // the parent created us with its children
  }
  CreateParams params;
  if (parent_) {
    const RECT r = ScaledBounds();
    params.x = r.left;
    params.y = r.top;
    params.width = r.right - r.left;
    params.height = r.bottom - r.top;
  }
  FillCreateParams(params);
  if (params.className.empty()) params.className = kOwnClass;
  if (visible_ && parent_) params.style |= WS_VISIBLE;
  if (!params.nativeClass) RegisterWindowClass(params.className, CS_DBLCLKS, LoadCursorW(nullptr, IDC_ARROW));
  HWND parentWindow = parent_ ? parent_->hwnd_ : nullptr;
  const auto id =
      parent_ ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlIdFromName(Name()))) : params.menu;
  HWND hwnd = CreateWindowExW(params.exStyle, params.className.c_str(), params.text.c_str(), params.style,
                              params.x, params.y, params.width, params.height, parentWindow, id,
                              GetModuleHandleW(nullptr), static_cast<WindowReceiver*>(this));
  if (!hwnd) throw std::runtime_error("cannot create the window of " + Name());
  if (params.nativeClass) {
    hwnd_ = hwnd;
    nativeProc_ = BindSystemWindow(hwnd, *this);
  }
  // Made at the DPI the window has (FontHandle compares), or while filling the create params.
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle()), FALSE);
  HandleCreated();
  auto children = controls_;
  std::stable_sort(children.begin(), children.end(), TabOrderLess);
  for (TWinControl* child : children) child->HandleNeeded();
  ZOrderByTabOrder();
  UpdateHintTool();
}

void TWinControl::ZOrderByTabOrder() {
  if (!hwnd_) return;
  auto children = controls_;
  std::stable_sort(children.begin(), children.end(), TabOrderLess);
  std::stable_partition(children.begin(), children.end(),
                        [](const TWinControl* c) { return c->AboveSiblings(); });
  HWND after = HWND_TOP;
  for (TWinControl* child : children) {
    if (!child->hwnd_) continue;
    // Children created in tab order are in place already; moving a window to
    // where it is still costs a round of messages.
    const HWND expected = after == HWND_TOP ? nullptr : after;
    if (GetWindow(child->hwnd_, GW_HWNDPREV) != expected)
      SetWindowPos(child->hwnd_, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    after = child->hwnd_;
  }
}

void TWinControl::DestroyHandle() {
  if (hwnd_) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
  dpi_ = 0;
}

bool TWinControl::Focused() const {
  return hwnd_ && GetFocus() == hwnd_;
}

void TWinControl::SetFocus() {
  HandleNeeded();
  ::SetFocus(hwnd_);
}

void TWinControl::Invalidate() const {
  if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

int TWinControl::Dpi() const {
  for (const TWinControl* c = this; c; c = c->parent_) {
    if (!c->hwnd_) continue;
    if (!c->dpi_) c->dpi_ = static_cast<int>(GetDpiForWindow(c->hwnd_));
    if (c->dpi_) return c->dpi_;
  }
  const UINT dpi = GetDpiForSystem();
  return dpi ? static_cast<int>(dpi) : 96;
}

void TWinControl::DpiChanged() {
  dpi_ = 0;
  fontHandle_.Reset();
  if (hwnd_) {
    if (parent_) ApplyBounds();
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle()), TRUE);
  }
  for (TWinControl* child : controls_) child->DpiChanged();
}

HFONT TWinControl::FontHandle() const {
  const int dpi = Dpi();
  if (!fontHandle_ || fontDpi_ != dpi) {
    LOGFONTW lf{};
    lf.lfHeight = MulDiv(font_->Height(), dpi, 96);
    lf.lfWeight = font_->Style().Has(TFontStyle::fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = font_->Style().Has(TFontStyle::fsItalic);
    lf.lfUnderline = font_->Style().Has(TFontStyle::fsUnderline);
    lf.lfStrikeOut = font_->Style().Has(TFontStyle::fsStrikeOut);
    lf.lfCharSet = static_cast<BYTE>(font_->Charset());
    lf.lfQuality = CLEARTYPE_QUALITY;
    const std::wstring face = Widen(font_->Name());
    lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
    fontHandle_.Reset(CreateFontIndirectW(&lf));
    fontDpi_ = dpi;
  }
  return fontHandle_.Get();
}

COLORREF TWinControl::ColorRef() const {
  return color_.IsSystem() ? GetSysColor(color_.SystemIndex())
                           : static_cast<COLORREF>(color_.value & 0xFFFFFF);
}

HBRUSH TWinControl::BackgroundBrush() const {
  const COLORREF c = ColorRef();
  if (!brush_ || brushColor_ != c) {
    brush_.Reset(CreateSolidBrush(c));
    brushColor_ = c;
  }
  return brush_.Get();
}

bool TWinControl::ReflectCtlColor(HDC dc, HBRUSH& brush) {
  const TColor fc = font_->Color();
  SetTextColor(dc,
               fc.IsSystem() ? GetSysColor(fc.SystemIndex()) : static_cast<COLORREF>(fc.value & 0xFFFFFF));
  SetBkColor(dc, ColorRef());
  brush = BackgroundBrush();
  return true;
}

TWinControl* TWinControl::FromHandle(HWND hwnd) {
  return dynamic_cast<TWinControl*>(BoundReceiver(hwnd));
}

LRESULT TWinControl::ReceiveMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) hwnd_ = window;
  if (msg == WM_NCDESTROY) {
    const LRESULT r = DefaultHandler(msg, wParam, lParam);
    hwnd_ = nullptr;
    dpi_ = 0;
    return r;
  }
  // Sent to every window of a tree whose DPI changes, before its top-level window hears of it.
  if (msg == WM_DPICHANGED || msg == WM_DPICHANGED_BEFOREPARENT) dpi_ = 0;
  LRESULT result = 0;
  if (!windowHooks_.empty() && RunWindowHooks(msg, wParam, lParam, result)) return result;
  return WndProc(msg, wParam, lParam);
}

int TWinControl::HookWindow(WindowHook hook) {
  windowHooks_.emplace_back(nextWindowHook_, std::move(hook));
  return nextWindowHook_++;
}

void TWinControl::UnhookWindow(int id) {
  std::erase_if(windowHooks_, [id](const auto& entry) { return entry.first == id; });
}

bool TWinControl::RunWindowHooks(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  // A hook may unhook itself (or another) while running: iterate over a copy.
  const auto hooks = windowHooks_;
  for (auto it = hooks.rbegin(); it != hooks.rend(); ++it) {
    if (it->second(msg, wParam, lParam, result)) return true;
  }
  return false;
}

LRESULT TWinControl::DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam) {
  return !nativeProc_ ? DefWindowProcW(hwnd_, msg, wParam, lParam)
                      : CallWindowProcW(nativeProc_, hwnd_, msg, wParam, lParam);
}

LRESULT TWinControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      if (TWinControl* child = FromHandle(reinterpret_cast<HWND>(lParam)); child && lParam != 0) {
        if (child->ReflectCommand(HIWORD(wParam))) return 0;
      }
      break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
      if (TWinControl* child = FromHandle(reinterpret_cast<HWND>(lParam))) {
        HBRUSH brush = nullptr;
        if (child->ReflectCtlColor(reinterpret_cast<HDC>(wParam), brush))
          return reinterpret_cast<LRESULT>(brush);
      }
      break;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (TWinControl* child = FromHandle(header->hwndFrom)) {
        LRESULT result = 0;
        if (child->ReflectNotify(header, result)) return result;
      }
      break;
    }
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      if (TWinControl* child = FromHandle(item->hwndItem)) {
        if (child->ReflectDrawItem(item)) return TRUE;
      }
      break;
    }
    case WM_PAINT:
      if (!nativeProc_) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd_, &ps);
        Paint(dc);
        for (const TWinControl* child : controls_) child->PaintBehind(dc);
        EndPaint(hwnd_, &ps);
        return 0;
      }
      break;
    case WM_NCPAINT:
      // A control without a frame or scroll bars has nothing outside its
      // client area; the default would still fetch a DC for it.
      if (nativeProc_) {
        RECT window{};
        RECT client{};
        GetWindowRect(hwnd_, &window);
        GetClientRect(hwnd_, &client);
        if (window.right - window.left == client.right && window.bottom - window.top == client.bottom)
          return 0;
      }
      break;
    case WM_ERASEBKGND:
      if (!nativeProc_) {
        RECT r;
        GetClientRect(hwnd_, &r);
        FillRect(reinterpret_cast<HDC>(wParam), &r, BackgroundBrush());
        return 1;
      }
      break;
    default:
      break;
  }
  return DefaultHandler(msg, wParam, lParam);
}

}  // namespace tallivo::ui
