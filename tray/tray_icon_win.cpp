#include "tray/tray_icon_win.h"

#include <algorithm>
#include <cstring>

#include "ui/application_win.h"
#include "ui/text_win.h"

namespace tallivo {

using ui::Application;
using ui::TMouseButton;
using ui::TShiftState;
using ui::TShiftStateItem;

namespace {

// The state of Shift, Alt and Ctrl now, plus a button's flag.
TShiftState CurrentShift() {
  TShiftState shift;
  if (GetAsyncKeyState(VK_SHIFT) < 0) shift.Include(TShiftStateItem::ssShift);
  if (GetAsyncKeyState(VK_MENU) < 0) shift.Include(TShiftStateItem::ssAlt);
  if (GetAsyncKeyState(VK_CONTROL) < 0) shift.Include(TShiftStateItem::ssCtrl);
  return shift;
}

TShiftState WithButton(TShiftState shift, TMouseButton button) {
  static constexpr TShiftStateItem kFlags[] = {TShiftStateItem::ssLeft, TShiftStateItem::ssRight,
                                               TShiftStateItem::ssMiddle};
  return shift.Include(kFlags[static_cast<int>(button)]);
}

ui::TWinControl* AsWinControl(TComponent* c) {
  return dynamic_cast<ui::TWinControl*>(c);
}

}  // namespace

UINT TaskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}

// ---- The shared window -------------------------------------------------------------------------

TTrayIconHandler::TTrayIconHandler() : window_(kClassName, *this) {}

UINT TTrayIconHandler::Add(TTrayIcon* icon) {
  // Zero is never handed out, and numbers in use are skipped after a wrap.
  while (nextId_ == 0 || icons_.contains(nextId_)) ++nextId_;
  const UINT id = nextId_++;
  icons_.emplace(id, icon);
  return id;
}

LRESULT TTrayIconHandler::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kTrayCallbackMessage:
      if (const auto it = icons_.find(static_cast<UINT>(wParam)); it != icons_.end())
        it->second->HandleNotification(lParam);
      return 0;
    // Never object to the session ending, never be closed by these.
    case WM_DESTROY:
    case WM_CLOSE:
    case WM_QUERYENDSESSION:
    case WM_QUIT:
    case WM_ENDSESSION:
    case WM_NCDESTROY:
      return 1;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

// ---- Published settings ------------------------------------------------------------------------

const ui::ClassInfo& TTrayIcon::StaticClass() {
  using ui::EventProperty;
  using ui::Property;
  using T = TTrayIcon;
  static const ui::ClassInfo info(
      "TTrayIcon", &TComponent::StaticClass(), &ui::Construct<TTrayIcon>,
      {
          Property<T>("DesignPreview", &T::DesignPreview, &T::SetDesignPreview, false),
          ui::ComponentProperty<T>("IconList", &T::IconList, &T::SetIconList),
          Property<T>("CycleIcons", &T::CycleIcons, &T::SetCycleIcons, false),
          Property<T>("CycleInterval", &T::CycleInterval, &T::SetCycleInterval, 0u),
          Property<T>("Enabled", &T::Enabled, &T::SetEnabled, true),
          Property<T>("Hint", &T::Hint, &T::SetHint, std::string()),
          Property<T>("ShowHint", &T::ShowHint, &T::SetShowHint, true),
          ui::ObjectProperty<T>("Icon", &T::Icon),
          Property<T>("IconVisible", &T::IconVisible, &T::SetIconVisible, false),
          Property<T>("IconIndex", &T::IconIndex, &T::SetIconIndex, 0),
          ui::ComponentProperty<T>("PopupMenu", &T::PopupMenu, &T::SetPopupMenu),
          Property<T>("LeftPopup", &T::LeftPopup, &T::SetLeftPopup, false),
          Property<T>("WantEnterExitEvents", &T::WantEnterExitEvents, &T::SetWantEnterExitEvents, false),
          Property<T>("MinimizeToTray", &T::MinimizeToTray, &T::SetMinimizeToTray, false),
          EventProperty<T>("OnClick", &T::OnClick),
          EventProperty<T>("OnDblClick", &T::OnDblClick),
          EventProperty<T>("OnMouseDown", &T::OnMouseDown),
          EventProperty<T>("OnMouseUp", &T::OnMouseUp),
          EventProperty<T>("OnMouseMove", &T::OnMouseMove),
          EventProperty<T>("OnMouseEnter", &T::OnMouseEnter),
          EventProperty<T>("OnMouseExit", &T::OnMouseExit),
          EventProperty<T>("OnCycle", &T::OnCycle),
          EventProperty<T>("OnBalloonHintShow", &T::OnBalloonHintShow),
          EventProperty<T>("OnBalloonHintHide", &T::OnBalloonHintHide),
          EventProperty<T>("OnBalloonHintTimeout", &T::OnBalloonHintTimeout),
          EventProperty<T>("OnBalloonHintClick", &T::OnBalloonHintClick),
          EventProperty<T>("OnMinimizeToTray", &T::OnMinimizeToTray),
          EventProperty<T>("OnStartup", &T::OnStartup),
      });
  return info;
}

// ---- Life ----------------------------------------------------------------------------------------

TTrayIcon::TTrayIcon(TComponent* owner) : TComponent(owner) {
  icon_ = std::make_unique<ui::TIcon>();
  icon_->OnChange = [this] { ModifyTrayIcon(); };

  data_.cbSize = NOTIFYICONDATAW_V2_SIZE;
  data_.hWnd = handler_->Window();
  data_.uID = handler_->Add(this);
  data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data_.uCallbackMessage = kTrayCallbackMessage;

  cycleTimer_ = std::make_unique<TSimpleTimer>();
  cycleTimer_->SetOnTick([this](TSimpleTimer*) { CycleTick(); });
  clickTimer_ = std::make_unique<TSimpleTimer>();
  clickTimer_->SetOnTick([this](TSimpleTimer*) { ClickDelayTick(); });
  exitTimer_ = std::make_unique<TSimpleTimer>(20, [this](TSimpleTimer*) { ExitPollTick(); });

  hookId_ = Application().HookMainWindow([this](UINT msg, WPARAM wParam, LPARAM lParam, LRESULT&) {
    return ApplicationHook(msg, wParam, lParam);
  });
  if (ui::TWinControl* control = AsWinControl(owner)) {
    ownerHookId_ = control->HookWindow([this](UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
      return OwnerHook(msg, wParam, lParam, result);
    });
  }
}

TTrayIcon::~TTrayIcon() {
  try {
    SetIconVisible(false);
    designPreview_ = false;
    cycleTimer_.reset();
    clickTimer_.reset();
    exitTimer_.reset();
    icon_.reset();
  } catch (...) {
    // Taking the icon down must not stop the unhooking below.
  }
  Application().UnhookMainWindow(hookId_);
  if (ui::TWinControl* control = AsWinControl(Owner()); control && ownerHookId_)
    control->UnhookWindow(ownerHookId_);
  handler_->Remove(data_.uID);
}

void TTrayIcon::Loaded() {
  TComponent::Loaded();
  if (AsWinControl(Owner())) {
    bool showMainForm = true;
    if (OnStartup) OnStartup(this, showMainForm);
    if (!showMainForm) {
      Application().SetShowMainForm(false);
      HideToTray();
    }
  }
  // The final state must not depend on the order the settings arrived in;
  // the icon goes to the shell once, as it is after all of them.
  const bool visible = iconVisible_;
  iconVisible_ = false;
  SetCycleIcons(cycleIcons_);
  SetIconVisible(visible);
  SetWantEnterExitEvents(wantEnterExitEvents_);
  // Version 0: the shell sends plain mouse messages as the notification.
  data_.uVersion = 0;
  Shell_NotifyIconW(NIM_SETVERSION, &data_);
}

void TTrayIcon::Notification(TComponent* component, ui::TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != ui::TOperation::opRemove) return;
  if (component == iconList_) SetIconList(nullptr);
  if (component == popupMenu_) popupMenu_ = nullptr;
}

// ---- Setters -------------------------------------------------------------------------------------

void TTrayIcon::SetIconList(ui::TCustomImageList* v) {
  if (iconList_ && iconList_ != v) iconList_->RemoveFreeNotification(this);
  iconList_ = v;
  if (iconList_) iconList_->FreeNotification(this);
  SetIconIndex(0);
}

void TTrayIcon::SetCycleIcons(bool v) {
  cycleIcons_ = v;
  if (v) {
    SetIconIndex(0);
    cycleTimer_->SetPeriod(cycleInterval_);
    cycleTimer_->SetActive(true);
  } else {
    cycleTimer_->SetActive(false);
  }
}

void TTrayIcon::SetCycleInterval(unsigned v) {
  cycleInterval_ = v;
  SetCycleIcons(cycleIcons_);
}

void TTrayIcon::SetHint(std::string v) {
  hint_ = std::move(v);
  ModifyTrayIcon();
}

void TTrayIcon::SetShowHint(bool v) {
  showHint_ = v;
  ModifyTrayIcon();
}

void TTrayIcon::SetIcon(const ui::TIcon& v) {
  // One modify for the whole copy, not one per change.
  icon_->OnChange = nullptr;
  icon_->Assign(v);
  icon_->OnChange = [this] { ModifyTrayIcon(); };
  ModifyTrayIcon();
}

void TTrayIcon::SetIconVisible(bool v) {
  if (Loading()) {
    iconVisible_ = v;  // Loaded shows it
    return;
  }
  if (v) {
    AddTrayIcon();
  } else {
    DeleteTrayIcon();
  }
}

void TTrayIcon::SetIconIndex(int v) {
  if (iconList_) {
    iconIndex_ = std::min(v, iconList_->Count() - 1);
    iconList_->GetIcon(iconIndex_, *icon_);
  } else {
    iconIndex_ = 0;
  }
  ModifyTrayIcon();
}

void TTrayIcon::SetPopupMenu(ui::TPopupMenu* v) {
  if (popupMenu_ && popupMenu_ != v) popupMenu_->RemoveFreeNotification(this);
  popupMenu_ = v;
  if (popupMenu_) popupMenu_->FreeNotification(this);
}

void TTrayIcon::SetWantEnterExitEvents(bool v) {
  wantEnterExitEvents_ = v;
  exitTimer_->SetActive(v);
}

// ---- The shell -----------------------------------------------------------------------------------

void TTrayIcon::FillIconData() {
  data_.hIcon = icon_ ? icon_->Handle() : nullptr;
  std::wstring tip = !hint_.empty() && showHint_ ? ui::Widen(hint_) : std::wstring();
  if (tip.size() > kMaxHintLength) {
    tip.resize(kMaxHintLength);
    // Never leave half of a surrogate pair at the end.
    if (tip.back() >= 0xD800 && tip.back() <= 0xDBFF) tip.pop_back();
  }
  std::memset(data_.szTip, 0, sizeof data_.szTip);
  std::copy(tip.begin(), tip.end(), data_.szTip);
}

bool TTrayIcon::Notify(DWORD message) {
  FillIconData();
  return Shell_NotifyIconW(message, &data_) != FALSE;
}

bool TTrayIcon::AddTrayIcon() {
  iconVisible_ = true;
  return Notify(NIM_ADD);
}

bool TTrayIcon::DeleteTrayIcon() {
  iconVisible_ = false;
  return Notify(NIM_DELETE);
}

bool TTrayIcon::ModifyTrayIcon() {
  // Each request is a message the shell must answer; one for an icon it does
  // not have would only fail. Loaded adds the icon as the settings leave it.
  if (Loading()) return false;
  if (!iconVisible_) {
    FillIconData();
    return false;
  }
  return Notify(NIM_MODIFY);
}

// ---- Notifications -------------------------------------------------------------------------------

void TTrayIcon::HandleNotification(LPARAM notification) {
  const auto fire = [this](const TNotifyEvent& event) {
    if (event) event(this);
  };
  switch (notification) {
    case NIN_BALLOONSHOW:
      return fire(OnBalloonHintShow);
    case NIN_BALLOONHIDE:
      return fire(OnBalloonHintHide);
    case NIN_BALLOONTIMEOUT:
      return fire(OnBalloonHintTimeout);
    case NIN_BALLOONUSERCLICK:
      return fire(OnBalloonHintClick);
    default:
      break;
  }
  if (!enabled_) return;
  POINT p{};
  GetCursorPos(&p);
  const TShiftState shift = CurrentShift();
  switch (notification) {
    case WM_MOUSEMOVE:
      if (wantEnterExitEvents_ && pointerOutside_) {
        TriggerMouseEnter();
        pointerOutside_ = false;
      }
      TriggerMouseMove(shift, p.x, p.y);
      lastPos_ = p;
      break;
    case WM_LBUTTONDOWN:
      if (OnDblClick) {
        clickTimer_->SetPeriod(GetDoubleClickTime());
        clickTimer_->SetActive(true);
      }
      TriggerMouseDown(TMouseButton::mbLeft, WithButton(shift, TMouseButton::mbLeft), p.x, p.y);
      clickStarted_ = true;
      if (leftPopup_) PopupAtCursor();
      break;
    case WM_LBUTTONUP:
      if (clickStarted_) clickReady_ = true;
      if (clickStarted_ && !clickTimer_->Active()) {
        clickStarted_ = false;
        clickReady_ = false;
        TriggerClick();
      }
      clickStarted_ = false;
      TriggerMouseUp(TMouseButton::mbLeft, WithButton(shift, TMouseButton::mbLeft), p.x, p.y);
      break;
    case WM_LBUTTONDBLCLK:
      clickReady_ = false;
      dblClickSeen_ = true;
      TriggerDblClick();
      if (popupMenu_ && popupMenu_->AutoPopup() && !leftPopup_) {
        // The first top-level item marked Default.
        ui::TMenuItem* chosen = nullptr;
        const ui::TMenuItem& root = *popupMenu_->Items();
        for (std::size_t i = root.Count(); i-- > 0;) {
          if (root.Items(i)->Default()) chosen = root.Items(i);
        }
        if (chosen) chosen->Click();
      }
      break;
    case WM_RBUTTONDOWN:
      TriggerMouseDown(TMouseButton::mbRight, WithButton(shift, TMouseButton::mbRight), p.x, p.y);
      PopupAtCursor();
      break;
    case WM_RBUTTONUP:
      TriggerMouseUp(TMouseButton::mbRight, WithButton(shift, TMouseButton::mbRight), p.x, p.y);
      break;
    case WM_MBUTTONDOWN:
      TriggerMouseDown(TMouseButton::mbMiddle, WithButton(shift, TMouseButton::mbMiddle), p.x, p.y);
      break;
    case WM_MBUTTONUP:
      TriggerMouseUp(TMouseButton::mbMiddle, WithButton(shift, TMouseButton::mbMiddle), p.x, p.y);
      break;
    default:
      break;
  }
}

void TTrayIcon::ClickDelayTick() {
  clickTimer_->SetActive(false);
  if (!dblClickSeen_ && clickReady_) {
    clickReady_ = false;
    TriggerClick();
  }
  dblClickSeen_ = false;
}

void TTrayIcon::ExitPollTick() {
  if (pointerOutside_) return;
  POINT p{};
  if (!GetCursorPos(&p)) return;
  if (p.x != lastPos_.x || p.y != lastPos_.y) {
    pointerOutside_ = true;
    TriggerMouseExit();
  }
}

void TTrayIcon::PopupAtCursor() {
  POINT p{};
  if (!popupMenu_ || !popupMenu_->AutoPopup() || !GetCursorPos(&p)) return;
  ui::TWinControl* owner = AsWinControl(Owner());
  // The menu closes properly only if its window is in the foreground.
  HWND window = Application().Handle();
  if (!window && owner) window = owner->Handle();
  SetForegroundWindow(window);
  Application().ProcessMessages();
  popupMenu_->SetPopupComponent(this);
  popupMenu_->Popup(p.x, p.y, window);
  if (owner && owner->HandleAllocated()) PostMessageW(owner->Handle(), WM_NULL, 0, 0);
}

// ---- Cycling -------------------------------------------------------------------------------------

int TTrayIcon::NextIndex() const {
  return iconIndex_ < iconList_->Count() - 1 ? iconIndex_ + 1 : 0;
}

void TTrayIcon::CycleTick() {
  if (!iconList_) return;
  iconList_->GetIcon(iconIndex_, *icon_);
  TriggerCycle();
  // The handler may have taken the list away.
  if (iconList_) SetIconIndex(NextIndex());
}

// ---- Showing and hiding the program --------------------------------------------------------------

bool TTrayIcon::HasMainWindow() const {
  return AsWinControl(Owner()) && Application().MainForm();
}

void TTrayIcon::HideToTray() {
  if (!HasMainWindow()) return;
  Application().MainForm()->SetVisible(false);
  if (HWND app = Application().Handle(); app && IsWindowVisible(app)) ShowWindow(app, SW_HIDE);
}

void TTrayIcon::RestoreFromTray() {
  if (!HasMainWindow()) return;
  ui::TForm* main = Application().MainForm();
  Application().Restore();
  if (main->WindowState() == ui::TWindowState::wsMinimized) main->SetWindowState(ui::TWindowState::wsNormal);
  main->SetVisible(true);
  SetForegroundWindow(Application().Handle());
}

bool TTrayIcon::ApplicationHook(UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_SIZE && wParam == SIZE_MINIMIZED && minimizeToTray_) PerformMinimizeToTray();
  if (msg == WM_WINDOWPOSCHANGED && startupPending_ && Application().MainForm()) {
    if (Application().MainForm()->FormStyle() == ui::TFormStyle::fsMDIForm) {
      bool showMainForm = true;
      if (OnStartup) OnStartup(this, showMainForm);
      if (!showMainForm) {
        if (HWND app = Application().Handle(); app && IsWindowVisible(app)) ShowWindow(app, SW_HIDE);
      }
    }
    startupPending_ = false;
  }
  if (msg == WM_SYSCOMMAND && wParam == SC_RESTORE) {
    if (ui::TForm* main = Application().MainForm()) main->SetVisible(true);
  }
  // The shell restarted and lost its icons.
  if (msg == TaskbarCreatedMessage() && msg != 0 && iconVisible_) AddTrayIcon();
  return false;
}

bool TTrayIcon::OwnerHook(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  ui::TWinControl* owner = AsWinControl(Owner());
  if (msg == WM_SHOWWINDOW && wParam == TRUE && lParam == 0) {
    SetForegroundWindow(Application().Handle());
    SetForegroundWindow(owner->Handle());
    return false;
  }
  const bool closingParent =
      msg == WM_SHOWWINDOW && wParam == FALSE && lParam == SW_PARENTCLOSING && !Application().Terminated();
  const bool minimizing = msg == WM_SYSCOMMAND && wParam == SC_MINIMIZE;
  if ((closingParent || minimizing) && minimizeToTray_ && OnMinimizeToTray) {
    OnMinimizeToTray(this);
    PerformMinimizeToTray();
    result = 1;
    return true;
  }
  return false;
}

// ---- Triggers ------------------------------------------------------------------------------------

void TTrayIcon::TriggerClick() {
  if (OnClick) OnClick(this);
}
void TTrayIcon::TriggerDblClick() {
  if (OnDblClick) OnDblClick(this);
}
void TTrayIcon::TriggerCycle() {
  if (OnCycle) OnCycle(this, NextIndex());
}
void TTrayIcon::TriggerMouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}
void TTrayIcon::TriggerMouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}
void TTrayIcon::TriggerMouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}
void TTrayIcon::TriggerMouseEnter() {
  if (OnMouseEnter) OnMouseEnter(this);
}
void TTrayIcon::TriggerMouseExit() {
  if (OnMouseExit) OnMouseExit(this);
}
void TTrayIcon::PerformMinimizeToTray() {
  HideToTray();
  SetIconVisible(true);
}

}  // namespace tallivo
