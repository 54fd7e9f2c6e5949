// An icon in the notification area on behalf of the window that owns it:
// image and tooltip kept current, the shell's mouse notifications turned into
// events, a popup menu at the cursor, an animation through an image list, and
// hiding the program into the tray and bringing it back.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "tray/simple_timer_win.h"
#include "ui/form_win.h"
#include "ui/icon_win.h"
#include "ui/input.h"
#include "ui/menu_win.h"
#include "ui/message_window_win.h"

namespace tallivo {

class TTrayIcon;

using ui::TComponent;
using ui::TNotifyEvent;
using TMouseEvent =
    std::function<void(TComponent* sender, ui::TMouseButton button, ui::TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TComponent* sender, ui::TShiftState shift, int x, int y)>;
using TCycleEvent = std::function<void(TComponent* sender, int nextIndex)>;
using TStartupEvent = std::function<void(TComponent* sender, bool& showMainForm)>;

// The shell's callback message for every tray icon of the process.
constexpr UINT kTrayCallbackMessage = WM_USER + 0x400;

// The hidden window shared by every tray icon: the shell reports mouse
// actions on an icon to it, naming the icon by its identifier.
class TTrayIconHandler final : public ui::MessageHandler {
 public:
  static constexpr const wchar_t* kClassName = L"TallivoTrayIconHandler";

  TTrayIconHandler();
  TTrayIconHandler(const TTrayIconHandler&) = delete;
  TTrayIconHandler& operator=(const TTrayIconHandler&) = delete;

  HWND Window() const noexcept { return window_.Handle(); }
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  friend class TTrayIcon;

  // An address does not fit the shell's 32-bit identifier in a 64-bit
  // process, so icons get small numbers; a notification for a number no
  // longer listed (an icon freed meanwhile) is dropped.
  UINT Add(TTrayIcon* icon);
  void Remove(UINT id) { icons_.erase(id); }

  std::unordered_map<UINT, TTrayIcon*> icons_;
  UINT nextId_ = 1;
  ui::MessageWindow window_;
};

using SharedTrayWindow = ui::SharedHiddenWindow<TTrayIconHandler>;

// The shell's "TaskbarCreated" message: the taskbar was (re)started and has
// lost every icon.
UINT TaskbarCreatedMessage();

class TTrayIcon : public TComponent {
 public:
  static constexpr std::size_t kMaxHintLength = 127;

  explicit TTrayIcon(TComponent* owner);
  ~TTrayIcon() override;
  static const ui::ClassInfo& StaticClass();
  const ui::ClassInfo& Class() const override { return StaticClass(); }

  bool DesignPreview() const { return designPreview_; }
  void SetDesignPreview(bool v) { designPreview_ = v; }
  ui::TCustomImageList* IconList() const { return iconList_; }
  void SetIconList(ui::TCustomImageList* v);
  bool CycleIcons() const { return cycleIcons_; }
  void SetCycleIcons(bool v);
  unsigned CycleInterval() const { return cycleInterval_; }
  void SetCycleInterval(unsigned v);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v) { enabled_ = v; }
  const std::string& Hint() const { return hint_; }
  void SetHint(std::string v);
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool v);
  ui::TIcon* Icon() const { return icon_.get(); }
  void SetIcon(const ui::TIcon& v);
  bool IconVisible() const { return iconVisible_; }
  void SetIconVisible(bool v);
  int IconIndex() const { return iconIndex_; }
  void SetIconIndex(int v);
  ui::TPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(ui::TPopupMenu* v);
  bool LeftPopup() const { return leftPopup_; }
  void SetLeftPopup(bool v) { leftPopup_ = v; }
  bool WantEnterExitEvents() const { return wantEnterExitEvents_; }
  void SetWantEnterExitEvents(bool v);
  bool MinimizeToTray() const { return minimizeToTray_; }
  void SetMinimizeToTray(bool v) { minimizeToTray_ = v; }

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseExit;
  TCycleEvent OnCycle;
  TNotifyEvent OnBalloonHintShow;
  TNotifyEvent OnBalloonHintHide;
  TNotifyEvent OnBalloonHintTimeout;
  TNotifyEvent OnBalloonHintClick;
  TNotifyEvent OnMinimizeToTray;
  TStartupEvent OnStartup;

  // Only a form designer's preview would ask; there is none at run time.
  virtual bool WantsStockIcon() { return true; }
  // Shell requests; true when the shell accepted. Add and delete also record
  // the wish in IconVisible.
  virtual bool AddTrayIcon();
  virtual bool DeleteTrayIcon();
  virtual bool ModifyTrayIcon();

  // Hides the main window and its taskbar button; the tray icon stays.
  void HideToTray();
  // Shows the main window again in front.
  void RestoreFromTray();

  // The identifier the shell knows this icon by (the callback's wParam).
  UINT Id() const { return data_.uID; }
  // The record sent to the shell, as last filled.
  const NOTIFYICONDATAW& NotifyIconData() const { return data_; }

 protected:
  virtual void TriggerClick();
  virtual void TriggerDblClick();
  virtual void TriggerCycle();
  virtual void TriggerMouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y);
  virtual void TriggerMouseUp(ui::TMouseButton button, ui::TShiftState shift, int x, int y);
  virtual void TriggerMouseMove(ui::TShiftState shift, int x, int y);
  virtual void TriggerMouseEnter();
  virtual void TriggerMouseExit();
  virtual void PerformMinimizeToTray();

  void Loaded() override;
  void Notification(TComponent* component, ui::TOperation operation) override;

 private:
  friend class TTrayIconHandler;

  // The shell's notification (lParam of the callback message).
  void HandleNotification(LPARAM notification);
  void FillIconData();
  bool Notify(DWORD message);
  void PopupAtCursor();
  void ClickDelayTick();
  void ExitPollTick();
  void CycleTick();
  int NextIndex() const;
  bool HasMainWindow() const;
  bool ApplicationHook(UINT msg, WPARAM wParam, LPARAM lParam);
  bool OwnerHook(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

  SharedTrayWindow::Lease handler_;
  NOTIFYICONDATAW data_{};
  std::unique_ptr<ui::TIcon> icon_;
  std::unique_ptr<TSimpleTimer> cycleTimer_;
  std::unique_ptr<TSimpleTimer> clickTimer_;
  std::unique_ptr<TSimpleTimer> exitTimer_;
  int hookId_ = 0;
  int ownerHookId_ = 0;

  bool designPreview_ = false;
  ui::TCustomImageList* iconList_ = nullptr;
  bool cycleIcons_ = false;
  unsigned cycleInterval_ = 0;
  bool enabled_ = true;
  std::string hint_;
  bool showHint_ = true;
  bool iconVisible_ = false;
  int iconIndex_ = 0;
  ui::TPopupMenu* popupMenu_ = nullptr;
  bool leftPopup_ = false;
  bool wantEnterExitEvents_ = false;
  bool minimizeToTray_ = false;

  bool clickStarted_ = false;
  bool clickReady_ = false;
  bool dblClickSeen_ = false;
  POINT lastPos_{};
  bool pointerOutside_ = true;
  bool startupPending_ = true;
};

}  // namespace tallivo
