#include "ui/form_win.h"

#include <commctrl.h>

#include <algorithm>

#include "ui/actions.h"
#include "ui/application_win.h"
#include "ui/button_win.h"
#include "ui/form_binding.h"
#include "ui/menu_win.h"
#include "ui/text_win.h"

namespace tallivo::ui {

template <>
const EnumNames& EnumNamesOf<TFormBorderStyle>() {
  static const EnumNames names{
      {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"}};
  return names;
}
template <>
const EnumNames& EnumNamesOf<TBorderIcon>() {
  static const EnumNames names{{"biSystemMenu", "biMinimize", "biMaximize", "biHelp"}};
  return names;
}
template <>
const EnumNames& EnumNamesOf<TPosition>() {
  static const EnumNames names{{"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly",
                                "poScreenCenter", "poDesktopCenter", "poMainFormCenter",
                                "poOwnerFormCenter"}};
  return names;
}
template <>
const EnumNames& EnumNamesOf<TWindowState>() {
  static const EnumNames names{{"wsNormal", "wsMinimized", "wsMaximized"}};
  return names;
}
template <>
const EnumNames& EnumNamesOf<TFormStyle>() {
  static const EnumNames names{{"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"}};
  return names;
}

const ClassInfo& TSizeConstraints::StaticClass() {
  static const ClassInfo info("TSizeConstraints", nullptr, nullptr,
                              {
                                  Property<TSizeConstraints>("MaxHeight", &TSizeConstraints::MaxHeight,
                                                             &TSizeConstraints::SetMaxHeight, 0),
                                  Property<TSizeConstraints>("MaxWidth", &TSizeConstraints::MaxWidth,
                                                             &TSizeConstraints::SetMaxWidth, 0),
                                  Property<TSizeConstraints>("MinHeight", &TSizeConstraints::MinHeight,
                                                             &TSizeConstraints::SetMinHeight, 0),
                                  Property<TSizeConstraints>("MinWidth", &TSizeConstraints::MinWidth,
                                                             &TSizeConstraints::SetMinWidth, 0),
                              });
  return info;
}

TForm::TForm(TComponent* owner) : TWinControl(owner), constraints_(std::make_unique<TSizeConstraints>()) {
  SetVisible(false);
}

TForm::~TForm() = default;

template <>
const EnumNames& EnumNamesOf<TModalResult>() {
  static const EnumNames names{{"mrNone", "mrOk", "mrCancel", "mrAbort", "mrRetry", "mrIgnore", "mrYes",
                                "mrNo", "mrAll", "mrNoToAll", "mrYesToAll"}};
  return names;
}

const ClassInfo& TForm::StaticClass() {
  static const ClassInfo info(
      "TForm", &TWinControl::StaticClass(), nullptr,
      {
          Property<TForm>(
              "BorderIcons", &TForm::BorderIcons, &TForm::SetBorderIcons,
              TBorderIcons{TBorderIcon::biSystemMenu, TBorderIcon::biMinimize, TBorderIcon::biMaximize}),
          Property<TForm>("BorderStyle", &TForm::BorderStyle, &TForm::SetBorderStyle,
                          TFormBorderStyle::bsSizeable),
          Property<TForm>("Caption", &TForm::Caption, &TForm::SetCaption, std::string()),
          Property<TForm>("ClientHeight", &TForm::ClientHeight, &TForm::SetClientHeight, 0),
          Property<TForm>("ClientWidth", &TForm::ClientWidth, &TForm::SetClientWidth, 0),
          ObjectProperty<TForm>("Constraints", &TForm::Constraints),
          Property<TForm>("FormStyle", &TForm::FormStyle, &TForm::SetFormStyle, TFormStyle::fsNormal),
          Property<TForm>("KeyPreview", &TForm::KeyPreview, &TForm::SetKeyPreview, false),
          ComponentProperty<TForm>("Menu", &TForm::Menu, &TForm::SetMenu),
          Property<TForm>("PixelsPerInch", &TForm::PixelsPerInch, &TForm::SetPixelsPerInch, 96),
          Property<TForm>("Position", &TForm::Position, &TForm::SetPosition, TPosition::poDesigned),
          Property<TForm>("Visible", &TForm::Visible, &TForm::SetVisible, false),
          Property<TForm>("WindowState", &TForm::WindowState, &TForm::SetWindowState, TWindowState::wsNormal),
          EventProperty<TForm>("OnClose", &TForm::OnClose),
          EventProperty<TForm>("OnCreate", &TForm::OnCreate),
          EventProperty<TForm>("OnDestroy", &TForm::OnDestroy),
          EventProperty<TForm>("OnPaint", &TForm::OnPaint),
          EventProperty<TForm>("OnShow", &TForm::OnShow),
      });
  return info;
}

void TForm::Initialize() {
  const std::wstring resource = Widen(Class().Name());
  HRSRC info = FindResourceW(nullptr, resource.c_str(), MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (!info) throw std::runtime_error("no stored form for " + Class().Name());
  HGLOBAL data = LoadResource(nullptr, info);
  const auto* text = static_cast<const char*>(LockResource(data));
  LoadFormText(*this, std::string_view(text, SizeofResource(nullptr, info)));
  HandleNeeded();
  if (OnCreate) OnCreate(this);
}

void TForm::SetCaption(std::string v) {
  caption_ = std::move(v);
  if (HandleAllocated()) SetWindowTextW(Handle(), Widen(caption_).c_str());
}

void TForm::SetClientWidth(int v) {
  clientWidth_ = v;
  Realign();
  if (HandleAllocated()) PlaceWindow();
}

void TForm::SetClientHeight(int v) {
  clientHeight_ = v;
  Realign();
  if (HandleAllocated()) PlaceWindow();
}

void TForm::SetMenu(TMainMenu* v) {
  if (menu_) menu_->OnChange = nullptr;
  menu_ = v;
  if (menu_) {
    menu_->FreeNotification(this);
    menu_->OnChange = [this] {
      if (HandleAllocated()) ::SetMenu(Handle(), menu_->Handle());
    };
  }
  if (HandleAllocated()) ::SetMenu(Handle(), menu_ ? menu_->Handle() : nullptr);
}

void TForm::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == TOperation::opRemove && component == menu_) {
    if (HandleAllocated()) ::SetMenu(Handle(), nullptr);
    menu_ = nullptr;
  }
}

void TForm::FillCreateParams(CreateParams& params) {
  params.className = Widen(Class().Name());
  params.text = Widen(caption_);
  switch (borderStyle_) {
    case TFormBorderStyle::bsNone:
      params.style = WS_POPUP;
      break;
    case TFormBorderStyle::bsSingle:
    case TFormBorderStyle::bsToolWindow:
      params.style = WS_CAPTION | WS_BORDER;
      break;
    case TFormBorderStyle::bsSizeable:
    case TFormBorderStyle::bsSizeToolWin:
      params.style = WS_CAPTION | WS_THICKFRAME;
      break;
    case TFormBorderStyle::bsDialog:
      params.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
      params.exStyle |= WS_EX_DLGMODALFRAME;
      break;
  }
  if (borderStyle_ != TFormBorderStyle::bsDialog && borderStyle_ != TFormBorderStyle::bsNone) {
    if (borderIcons_.Has(TBorderIcon::biSystemMenu)) params.style |= WS_SYSMENU;
    if (borderIcons_.Has(TBorderIcon::biMinimize)) params.style |= WS_MINIMIZEBOX;
    if (borderIcons_.Has(TBorderIcon::biMaximize)) params.style |= WS_MAXIMIZEBOX;
  }
  if (borderStyle_ == TFormBorderStyle::bsToolWindow || borderStyle_ == TFormBorderStyle::bsSizeToolWin)
    params.exStyle |= WS_EX_TOOLWINDOW;
  if (formStyle_ == TFormStyle::fsStayOnTop) params.exStyle |= WS_EX_TOPMOST;
  params.style |= WS_CLIPCHILDREN;
  params.exStyle |= WS_EX_CONTROLPARENT;
  // Created with its menu, where and as large as it is to be shown: moving
  // and resizing it afterwards would cost a round of messages each.
  if (menu_) params.menu = menu_->Handle();
  createdDpi_ = Dpi();
  createdBounds_ = PlacedBounds(createdDpi_, params.style, params.exStyle,
                                PlacementArea(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY)));
  params.x = createdBounds_.left;
  params.y = createdBounds_.top;
  params.width = createdBounds_.right - createdBounds_.left;
  params.height = createdBounds_.bottom - createdBounds_.top;
}

void TForm::HandleCreated() {
  if (Application().MainForm() != this && Application().MainForm()) {
    // Owned windows stay above the main window and share its taskbar button.
    SetWindowLongPtrW(Handle(), GWLP_HWNDPARENT,
                      reinterpret_cast<LONG_PTR>(Application().MainForm()->Handle()));
  }
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                             0, 0, 0, 0, Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
  LoadIcons();
  RECT bounds{};
  GetWindowRect(Handle(), &bounds);
  // Another DPI (another monitor) or a size the system adjusted: place it as before.
  if (Dpi() != createdDpi_ || !EqualRect(&bounds, &createdBounds_)) {
    PlaceWindow();
  } else {
    placed_ = true;
  }
}

void TForm::LoadIcons() {
  // The program's icon, at the sizes this monitor wants.
  const auto dpi = static_cast<UINT>(Dpi());
  const auto load = [](int cx, int cy) {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON, cx, cy, 0));
  };
  bigIcon_.Reset(load(GetSystemMetricsForDpi(SM_CXICON, dpi), GetSystemMetricsForDpi(SM_CYICON, dpi)));
  smallIcon_.Reset(load(GetSystemMetricsForDpi(SM_CXSMICON, dpi), GetSystemMetricsForDpi(SM_CYSMICON, dpi)));
  if (bigIcon_) SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.Get()));
  if (smallIcon_) SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.Get()));
}

RECT TForm::PlacementArea(HMONITOR monitor) const {
  if (position_ == TPosition::poMainFormCenter || position_ == TPosition::poOwnerFormCenter) {
    TForm* main = Application().MainForm();
    if (main && main != this && main->HandleAllocated() && IsWindowVisible(main->Handle())) {
      RECT area{};
      GetWindowRect(main->Handle(), &area);
      return area;
    }
  }
  MONITORINFO mi{};
  mi.cbSize = sizeof(mi);
  GetMonitorInfoW(monitor, &mi);
  return mi.rcWork;
}

RECT TForm::PlacedBounds(int dpi, DWORD style, DWORD exStyle, const RECT& area) const {
  SIZE size{MulDiv(Width(), dpi, 96), MulDiv(Height(), dpi, 96)};
  if (clientWidth_ > 0 || clientHeight_ > 0) {
    RECT r{0, 0, MulDiv(clientWidth_, dpi, 96), MulDiv(clientHeight_, dpi, 96)};
    AdjustWindowRectExForDpi(&r, style, menu_ != nullptr, exStyle, static_cast<UINT>(dpi));
    size = SIZE{r.right - r.left, r.bottom - r.top};
  }
  int x = MulDiv(Left(), dpi, 96);
  int y = MulDiv(Top(), dpi, 96);
  if (position_ == TPosition::poScreenCenter || position_ == TPosition::poDesktopCenter ||
      position_ == TPosition::poMainFormCenter || position_ == TPosition::poOwnerFormCenter) {
    x = area.left + (area.right - area.left - size.cx) / 2;
    y = area.top + (area.bottom - area.top - size.cy) / 2;
  }
  // The limits a move of such a window meets through WM_GETMINMAXINFO; the
  // centring above is of the size asked for, as it was when placed by a move.
  if ((style & WS_THICKFRAME) || !(style & (WS_POPUP | WS_CHILD))) {
    const auto limit = [dpi](LONG& v, int min, int max) {
      if (max > 0) v = std::min<LONG>(v, MulDiv(max, dpi, 96));
      if (min > 0) v = std::max<LONG>(v, MulDiv(min, dpi, 96));
    };
    limit(size.cx, constraints_->MinWidth(), constraints_->MaxWidth());
    limit(size.cy, constraints_->MinHeight(), constraints_->MaxHeight());
  }
  return RECT{x, y, x + size.cx, y + size.cy};
}

void TForm::PlaceWindow() {
  const RECT r = PlacedBounds(Dpi(), static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_STYLE)),
                              static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_EXSTYLE)),
                              PlacementArea(MonitorFromWindow(Handle(), MONITOR_DEFAULTTOPRIMARY)));
  SetWindowPos(Handle(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  placed_ = true;
}

void TForm::DpiChanged() {
  TWinControl::DpiChanged();
  LoadIcons();
  if (menu_) ::SetMenu(Handle(), menu_->Handle());
}

TWindowState TForm::WindowState() const {
  if (!HandleAllocated()) return pendingState_.value_or(TWindowState::wsNormal);
  if (IsIconic(Handle())) return TWindowState::wsMinimized;
  if (IsZoomed(Handle())) return TWindowState::wsMaximized;
  return IsWindowVisible(Handle()) ? TWindowState::wsNormal : pendingState_.value_or(TWindowState::wsNormal);
}

void TForm::SetWindowState(TWindowState v) {
  if (!HandleAllocated() || !IsWindowVisible(Handle())) {
    pendingState_ = v;
    return;
  }
  static constexpr int kCommands[] = {SW_RESTORE, SW_MINIMIZE, SW_MAXIMIZE};
  ShowWindow(Handle(), kCommands[static_cast<int>(v)]);
}

bool TForm::Visible() const {
  return HandleAllocated() ? IsWindowVisible(Handle()) != FALSE : false;
}

void TForm::SetVisible(bool v) {
  if (!HandleAllocated()) {
    TWinControl::SetVisible(v);
    return;
  }
  if (v) {
    // A window shown again comes back as it was hidden, maximised or where
    // the user moved it; only a state asked for meanwhile changes that.
    int command = shownBefore_ ? SW_SHOW : SW_SHOWNORMAL;
    if (pendingState_) {
      static constexpr int kCommands[] = {SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED};
      command = kCommands[static_cast<int>(*pendingState_)];
      // Restoring a minimised window returns it to its state before that.
      if (*pendingState_ == TWindowState::wsNormal && IsIconic(Handle())) command = SW_RESTORE;
      pendingState_.reset();
    }
    shownBefore_ = true;
    ShowWindow(Handle(), command);
    if (OnShow) OnShow(this);
  } else {
    ShowWindow(Handle(), SW_HIDE);
  }
}

void TForm::Show() {
  SetVisible(true);
  SetForegroundWindow(Handle());
}

void TForm::Close() {
  TCloseAction action = TCloseAction::caHide;
  if (OnClose) OnClose(this, action);
  if (action == TCloseAction::caNone) return;
  if (modal_) {
    if (modalResult_ == mrNone) {
      const TButton* cancel = DialogButton(true);
      modalResult_ = cancel && cancel->ModalResult() != mrNone ? cancel->ModalResult() : mrCancel;
    }
    if (action == TCloseAction::caFree) Release();
    return;
  }
  if (Application().MainForm() == this) {
    Application().Terminate();
  } else if (action == TCloseAction::caHide) {
    Hide();
  } else if (action == TCloseAction::caMinimize) {
    SetWindowState(TWindowState::wsMinimized);
  } else if (action == TCloseAction::caFree) {
    Release();
  }
}

int TForm::ShowModal() {
  HandleNeeded();
  TForm* main = Application().MainForm();
  HWND ownerWindow = main && main != this ? main->Handle() : nullptr;
  const bool ownerWasEnabled = ownerWindow && IsWindowEnabled(ownerWindow);
  if (ownerWasEnabled) EnableWindow(ownerWindow, FALSE);
  modal_ = true;
  modalResult_ = mrNone;
  PlaceWindow();
  Show();
  Application().RunModalLoop([this] { return modalResult_ != mrNone || Application().Terminated(); });
  const int result = modalResult_;
  modal_ = false;
  if (ownerWasEnabled) EnableWindow(ownerWindow, TRUE);
  if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
  if (ownerWindow) SetForegroundWindow(ownerWindow);
  return result;
}

namespace {
// Posted to a form that is to free itself once the current message is done.
constexpr UINT kReleaseMessage = WM_APP + 0x3F0;

BOOL CALLBACK ForwardSettingChange(HWND child, LPARAM message) {
  const auto* m = reinterpret_cast<const MSG*>(message);
  SendMessageW(child, WM_SETTINGCHANGE, m->wParam, m->lParam);
  return TRUE;
}
}  // namespace

void TForm::Release() {
  if (HandleAllocated()) PostMessageW(Handle(), kReleaseMessage, 0, 0);
}

TButton* TForm::DialogButton(bool cancel) const {
  TButton* found = nullptr;
  const std::function<void(const TWinControl&)> search = [&](const TWinControl& parent) {
    for (TWinControl* child : parent.Controls()) {
      if (found || !child->Visible() || !child->Enabled()) continue;
      auto* button = dynamic_cast<TButton*>(child);
      if (button && (cancel ? button->Cancel() : button->Default())) {
        found = button;
      } else {
        search(*child);
      }
    }
  };
  search(*this);
  return found;
}

bool TForm::PressDialogButton(bool cancel) {
  // A focused button is what Enter presses, as in the system's dialogs.
  TButton* button = nullptr;
  if (!cancel) {
    if (HWND focus = GetFocus(); focus && IsChild(Handle(), focus))
      button = dynamic_cast<TButton*>(FromHandle(focus));
  }
  if (!button) button = DialogButton(cancel);
  if (!button) return false;
  button->Click();
  return true;
}

bool TForm::IsShortCut(unsigned short shortCut) {
  if (menu_) {
    if (TMenuItem* item = menu_->FindShortCut(shortCut)) {
      item->Click();
      return true;
    }
  }
  for (std::size_t i = 0; i < ComponentCount(); ++i) {
    if (auto* list = dynamic_cast<TActionList*>(Components(i)); list && list->IsShortCut(shortCut))
      return true;
  }
  return false;
}

int TForm::ActiveHelpContext() const {
  HWND focus = GetFocus();
  if (!HandleAllocated() || !focus || !IsChild(Handle(), focus)) return HelpContext();
  for (HWND h = focus; h && h != Handle(); h = GetParent(h)) {
    if (const TWinControl* control = FromHandle(h); control && control->HelpContext() != 0)
      return control->HelpContext();
  }
  return HelpContext();
}

void TForm::UpdateHint(TWinControl& control) {
  if (!tooltip_ || !control.HandleAllocated()) return;
  TOOLINFOW ti{};
  ti.cbSize = sizeof(ti);
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = Handle();
  ti.uId = reinterpret_cast<UINT_PTR>(control.Handle());
  SendMessageW(tooltip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  if (control.Hint().empty() || !control.ShowHint()) return;
  std::wstring text = Widen(control.Hint());
  ti.lpszText = text.data();
  SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

void TForm::BeforeDestruction() {
  if (OnDestroy) OnDestroy(this);
  DestroyHandle();
  DestroyComponents();
}

LRESULT TForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (Application().MainForm() == this) {
    LRESULT result = 0;
    if (Application().RunHooks(msg, wParam, lParam, result)) return result;
  }
  switch (msg) {
    case kReleaseMessage:
      // Nothing of this object may be used after this.
      Free(this);
      return 0;
    case WM_CLOSE:
      Close();
      return 0;
    case WM_COMMAND:
      // What IsDialogMessage sends for Enter and Esc: none of our controls has
      // the ids IDOK and IDCANCEL, so it finds no window to name.
      if (lParam == 0 && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        PressDialogButton(LOWORD(wParam) == IDCANCEL);
        return 0;
      }
      if (lParam == 0 && HIWORD(wParam) == 0 && menu_) {
        if (TMenuItem* item = menu_->FindItem(LOWORD(wParam))) {
          item->Click();
          return 0;
        }
      }
      break;
    case WM_PAINT: {
      const LRESULT r = TWinControl::WndProc(msg, wParam, lParam);
      if (OnPaint) OnPaint(this);
      return r;
    }
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      const int dpi = Dpi();
      if (constraints_->MaxWidth() > 0) {
        info->ptMaxTrackSize.x = MulDiv(constraints_->MaxWidth(), dpi, 96);
        info->ptMaxSize.x = info->ptMaxTrackSize.x;
      }
      if (constraints_->MaxHeight() > 0) {
        info->ptMaxTrackSize.y = MulDiv(constraints_->MaxHeight(), dpi, 96);
        info->ptMaxSize.y = info->ptMaxTrackSize.y;
      }
      if (constraints_->MinWidth() > 0) info->ptMinTrackSize.x = MulDiv(constraints_->MinWidth(), dpi, 96);
      if (constraints_->MinHeight() > 0) info->ptMinTrackSize.y = MulDiv(constraints_->MinHeight(), dpi, 96);
      return 0;
    }
    case WM_DPICHANGED: {
      DpiChanged();
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(Handle(), nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_HELP:
      return TRUE;
    case WM_SETTINGCHANGE: {
      // Only top-level windows hear of it; controls format with the settings.
      MSG change{};
      change.wParam = wParam;
      change.lParam = lParam;
      EnumChildWindows(Handle(), ForwardSettingChange, reinterpret_cast<LPARAM>(&change));
      break;
    }
    case WM_ACTIVATE:
      // Like a dialog: remember the focused control while inactive and give
      // the focus back to it, not to the frame, when active again.
      if (LOWORD(wParam) == WA_INACTIVE) {
        if (HWND focus = GetFocus(); focus && IsChild(Handle(), focus)) lastFocus_ = focus;
        return 0;
      }
      if (!HIWORD(wParam)) {
        if (lastFocus_ && IsWindow(lastFocus_) && IsChild(Handle(), lastFocus_) &&
            IsWindowEnabled(lastFocus_)) {
          ::SetFocus(lastFocus_);
        } else if (HWND first = GetNextDlgTabItem(Handle(), nullptr, FALSE)) {
          ::SetFocus(first);
        }
        return 0;
      }
      break;
    default:
      break;
  }
  return TWinControl::WndProc(msg, wParam, lParam);
}

}  // namespace tallivo::ui
