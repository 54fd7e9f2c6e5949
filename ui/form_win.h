// Top-level windows described by stored form data.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ui/control_win.h"

namespace tallivo::ui {

class TMainMenu;

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum class TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = Set<TBorderIcon>;
enum class TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
enum class TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum class TCloseAction { caNone, caHide, caFree, caMinimize };

template <>
const EnumNames& EnumNamesOf<TFormBorderStyle>();
template <>
const EnumNames& EnumNamesOf<TBorderIcon>();
template <>
const EnumNames& EnumNamesOf<TPosition>();
template <>
const EnumNames& EnumNamesOf<TWindowState>();
template <>
const EnumNames& EnumNamesOf<TFormStyle>();

// Size limits in 96-dpi units; 0 means no limit.
class TSizeConstraints : public TPersistent {
 public:
  static const ClassInfo& StaticClass();
  const ClassInfo& Class() const override { return StaticClass(); }
  int MaxWidth() const { return maxWidth_; }
  void SetMaxWidth(int v) { maxWidth_ = v; }
  int MaxHeight() const { return maxHeight_; }
  void SetMaxHeight(int v) { maxHeight_ = v; }
  int MinWidth() const { return minWidth_; }
  void SetMinWidth(int v) { minWidth_ = v; }
  int MinHeight() const { return minHeight_; }
  void SetMinHeight(int v) { minHeight_ = v; }

 private:
  int maxWidth_ = 0, maxHeight_ = 0, minWidth_ = 0, minHeight_ = 0;
};

using TNotifyEvent = std::function<void(TComponent* sender)>;
using TCloseEvent = std::function<void(TComponent* sender, TCloseAction& action)>;

// What closed a modal form; mrOk to mrNo have the numbers of IDOK to IDNO.
enum TModalResult : int {
  mrNone,
  mrOk,
  mrCancel,
  mrAbort,
  mrRetry,
  mrIgnore,
  mrYes,
  mrNo,
  mrAll,
  mrNoToAll,
  mrYesToAll
};
template <>
const EnumNames& EnumNamesOf<TModalResult>();

class TButton;

class TForm : public TWinControl {
 public:
  explicit TForm(TComponent* owner);
  ~TForm() override;

  static const ClassInfo& StaticClass();
  const ClassInfo& Class() const override { return StaticClass(); }

  // Creates a form of class F, loads its stored data (the resource named after
  // the class), creates its windows and runs OnCreate.
  template <typename F>
  static F* Create(TComponent* owner) {
    auto form = std::unique_ptr<F>(new F(owner));
    form->Initialize();
    return form.release();
  }

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string v);
  int ClientWidth() const { return clientWidth_; }
  void SetClientWidth(int v);
  int ClientHeight() const { return clientHeight_; }
  void SetClientHeight(int v);
  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle v) { borderStyle_ = v; }
  TBorderIcons BorderIcons() const { return borderIcons_; }
  void SetBorderIcons(TBorderIcons v) { borderIcons_ = v; }
  TPosition Position() const { return position_; }
  void SetPosition(TPosition v) { position_ = v; }
  TSizeConstraints* Constraints() const { return constraints_.get(); }
  TMainMenu* Menu() const { return menu_; }
  void SetMenu(TMainMenu* v);
  int PixelsPerInch() const { return pixelsPerInch_; }
  void SetPixelsPerInch(int v) { pixelsPerInch_ = v; }
  TFormStyle FormStyle() const { return formStyle_; }
  void SetFormStyle(TFormStyle v) { formStyle_ = v; }
  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool v) { keyPreview_ = v; }

  TWindowState WindowState() const;
  void SetWindowState(TWindowState v);
  bool Visible() const override;
  void SetVisible(bool v) override;
  void Show();
  void Hide() { SetVisible(false); }
  // Asks OnClose; hides, frees or minimises as the handler decides. Closing
  // the main form ends the application unless the handler says caNone.
  void Close();
  // Shows the form modally; returns its ModalResult. Like a dialog: Enter
  // presses the focused button or else the Default one, Esc the Cancel
  // button, and the close box gives the Cancel button's ModalResult.
  int ShowModal();
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int v) { modalResult_ = v; }
  // Frees the form once the messages now queued have been handled.
  void Release();

  // Runs the shortcut if a menu item or action of this form has it.
  bool IsShortCut(unsigned short shortCut);

  // The control that gets the focus back when the form is next activated.
  void RememberFocus(HWND control) { lastFocus_ = control; }

  // The help context of the control with the focus, or of its nearest parent
  // that has one; the form's own when none does.
  int ActiveHelpContext() const;

  // Tooltip of a control on this form.
  void UpdateHint(TWinControl& control);

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnPaint;
  TNotifyEvent OnShow;
  TCloseEvent OnClose;

 protected:
  void FillCreateParams(CreateParams& params) override;
  void HandleCreated() override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void BeforeDestruction() override;
  void Notification(TComponent* component, TOperation operation) override;
  void DpiChanged() override;
  RECT AlignArea() const override { return RECT{0, 0, clientWidth_, clientHeight_}; }

 private:
  void Initialize();
  void PlaceWindow();
  // Outer bounds in screen pixels at `dpi` for a window of `style` and
  // `exStyle`, centred (if Position says so) in `area`.
  RECT PlacedBounds(int dpi, DWORD style, DWORD exStyle, const RECT& area) const;
  // What Position centres in: the visible main form, or the work area of `monitor`.
  RECT PlacementArea(HMONITOR monitor) const;
  void LoadIcons();
  // The visible, enabled button of this form that Enter (default) or Esc (cancel) presses.
  TButton* DialogButton(bool cancel) const;
  bool PressDialogButton(bool cancel);

  std::string caption_;
  int clientWidth_ = 0, clientHeight_ = 0;
  TFormBorderStyle borderStyle_ = TFormBorderStyle::bsSizeable;
  TBorderIcons borderIcons_{TBorderIcon::biSystemMenu, TBorderIcon::biMinimize, TBorderIcon::biMaximize};
  TPosition position_ = TPosition::poDesigned;
  std::unique_ptr<TSizeConstraints> constraints_;
  TMainMenu* menu_ = nullptr;
  int pixelsPerInch_ = 96;
  TFormStyle formStyle_ = TFormStyle::fsNormal;
  bool keyPreview_ = false;
  // A state asked for while the window is hidden, applied when it is shown.
  std::optional<TWindowState> pendingState_;
  bool shownBefore_ = false;
  int modalResult_ = mrNone;
  bool modal_ = false;
  bool placed_ = false;
  // Where the window was created, at which DPI: it is placed again only if it
  // did not end up there.
  RECT createdBounds_{};
  int createdDpi_ = 0;
  HWND tooltip_ = nullptr;
  HWND lastFocus_ = nullptr;  // the control to give the focus back to on activation
  UniqueIcon bigIcon_;
  UniqueIcon smallIcon_;
};

}  // namespace tallivo::ui
