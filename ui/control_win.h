// The base of every control: a component that owns one window, sits in a
// parent control, and keeps its layout in 96-dpi units so it can be scaled
// to the monitor's DPI.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ui/graphics.h"
#include "ui/handles_win.h"
#include "ui/published.h"
#include "ui/window_binding_win.h"

namespace tallivo::ui {

class TForm;

// Where a control is kept in its parent when the parent's size changes.
enum class TAlign { alNone, alTop, alBottom, alClient };
template <>
const EnumNames& EnumNamesOf<TAlign>();

// A stable control identifier derived from the component's name, so tests
// and tools can find a control without knowing its creation order.
int ControlIdFromName(std::string_view name);

class TWinControl : public TComponent, public WindowReceiver {
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  static const ClassInfo& StaticClass();
  const ClassInfo& Class() const override { return StaticClass(); }

  int Left() const { return left_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  int Top() const { return top_; }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  int Width() const { return width_; }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  int Height() const { return height_; }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  // Position and size in 96-dpi units, relative to the parent's client area.
  virtual void SetBounds(int left, int top, int width, int height);
  // alTop and alBottom keep the control's height across the parent's width
  // at its top or bottom edge; alClient fills what they leave.
  TAlign Align() const { return align_; }
  void SetAlign(TAlign v);

  virtual bool Visible() const { return visible_; }
  virtual void SetVisible(bool v);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  const std::string& Hint() const { return hint_; }
  void SetHint(std::string v);
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool v);
  int HelpContext() const { return helpContext_; }
  void SetHelpContext(int v) { helpContext_ = v; }
  int TabOrder() const { return tabOrder_; }
  void SetTabOrder(int v);
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool v);
  TFont* Font() const { return font_.get(); }
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool v);
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool v);

  TWinControl* Parent() const { return parent_; }
  void SetParent(TWinControl* parent);
  const std::vector<TWinControl*>& Controls() const { return controls_; }
  void SetParentComponent(TComponent* parent) override;
  TComponent* GetParentComponent() const override { return parent_; }
  // The form this control is on (itself for a form), or nullptr.
  TForm* ParentForm() const;

  HWND Handle() const { return hwnd_; }
  bool HandleAllocated() const { return hwnd_ != nullptr; }
  // Creates the window, and those of the controls in it, if not yet done.
  void HandleNeeded();
  bool Focused() const;
  virtual void SetFocus();
  void Invalidate() const;
  // Dots per inch of the monitor the control's form is on. Read from the
  // window when it is created and when its DPI changes: asking the system
  // each time costs a trip to the window manager under Wine.
  int Dpi() const;
  int Scale(int designValue) const { return MulDiv(designValue, Dpi(), 96); }
  // The font handle at the current DPI.
  HFONT FontHandle() const;
  COLORREF ColorRef() const;
  HBRUSH BackgroundBrush() const;

  // Paints a control of the framework's own window class, before what its
  // children show outside their windows.
  virtual void Paint(HDC dc) const { (void)dc; }

  // Paints what the control shows outside its own window (a shadow) into
  // its parent's DC; the parent calls it while painting.
  virtual void PaintBehind(HDC dc) const { (void)dc; }

  // Finds the control whose window this is, or nullptr.
  static TWinControl* FromHandle(HWND hwnd);

  // Hooks see every message of the control's window before the control does,
  // newest first, whenever the window exists; returning true claims the
  // message with the given result.
  using WindowHook = std::function<bool(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)>;
  int HookWindow(WindowHook hook);
  void UnhookWindow(int id);

 protected:
  // What the window is created with. Create it as it is to be shown: each
  // change after creation costs messages and another trip to the window manager.
  struct CreateParams {
    std::wstring className;    // empty: the framework's own window class
    bool nativeClass = false;  // a system control class, subclassed
    std::wstring text;
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    DWORD exStyle = 0;
    // In pixels: the scaled bounds for a control, CW_USEDEFAULT for a top-level window.
    int x = CW_USEDEFAULT, y = CW_USEDEFAULT, width = CW_USEDEFAULT, height = CW_USEDEFAULT;
    HMENU menu = nullptr;  // a top-level window's menu bar
  };
  virtual void FillCreateParams(CreateParams& params);
  // The window exists now: push the stored state into it.
  virtual void HandleCreated() {}
  virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam);

  // Notifications that a native control sends to its parent, reflected back
  // to the control they concern. Return true when handled.
  virtual bool ReflectCommand(WORD code) {
    (void)code;
    return false;
  }
  virtual bool ReflectCtlColor(HDC dc, HBRUSH& brush);
  virtual bool ReflectNotify(NMHDR* header, LRESULT& result) {
    (void)header;
    (void)result;
    return false;
  }
  virtual bool ReflectDrawItem(DRAWITEMSTRUCT* item) {
    (void)item;
    return false;
  }

  // The area aligned children share, in 96-dpi units of this control's client area.
  virtual RECT AlignArea() const { return RECT{0, 0, width_, height_}; }
  // Places the aligned children again.
  void Realign();
  // Drawn above its siblings whatever its tab order (a label that shows
  // those it overlaps through itself).
  virtual bool AboveSiblings() const { return false; }

  virtual void FontChanged();
  virtual void ColorChanged() { Invalidate(); }
  // The DPI changed: scale positions and fonts again.
  virtual void DpiChanged();
  void DestroyHandle();
  RECT ScaledBounds() const;
  void ApplyBounds();

 private:
  friend class TForm;
  LRESULT ReceiveMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) final;
  bool RunWindowHooks(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void ParentFontChanged();
  void ParentColorChanged();
  void ZOrderByTabOrder();
  void UpdateHintTool();

  HWND hwnd_ = nullptr;
  std::vector<std::pair<int, WindowHook>> windowHooks_;
  int nextWindowHook_ = 1;
  WNDPROC nativeProc_ = nullptr;  // the system class's procedure, for a native control
  TWinControl* parent_ = nullptr;
  std::vector<TWinControl*> controls_;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  TAlign align_ = TAlign::alNone;
  bool realigning_ = false;
  bool visible_ = true;
  bool enabled_ = true;
  std::string hint_;
  bool showHint_ = true;
  int helpContext_ = 0;
  int tabOrder_ = -1;
  bool tabStop_ = false;
  std::unique_ptr<TFont> font_;
  bool parentFont_ = true;
  bool fontFromParent_ = false;
  TColor color_ = clBtnFace;
  bool parentColor_ = true;
  mutable int dpi_ = 0;  // of the window; 0 while there is none or not yet asked
  mutable UniqueFont fontHandle_;
  mutable int fontDpi_ = 0;
  mutable UniqueBrush brush_;
  mutable COLORREF brushColor_ = CLR_INVALID;
};

// Plain text of a control's window.
std::string WindowText(HWND hwnd);

// Size of `text` in `font` as DrawTextW with DT_CALCRECT and `format` measures it.
SIZE MeasureText(HFONT font, const std::wstring& text, UINT format);
// Metrics of `font`. Both measure on a memory DC of their own, so no window's
// DC has to be fetched.
TEXTMETRICW FontMetrics(HFONT font);

}  // namespace tallivo::ui
