// Menus: a main menu bar and popup menus, built from nested menu items.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/handles_win.h"
#include "ui/published.h"
#include "ui/shortcut.h"

namespace tallivo::ui {

class TMenu;

class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;
  static const ClassInfo& StaticClass();
  const ClassInfo& Class() const override { return StaticClass(); }

  // "-" makes a separator; "&" marks the mnemonic.
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string v);
  TShortCut ShortCut() const { return shortCut_; }
  void SetShortCut(TShortCut v);
  bool Default() const { return default_; }
  void SetDefault(bool v);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  bool Checked() const { return checked_; }
  void SetChecked(bool v);
  int HelpContext() const { return helpContext_; }
  void SetHelpContext(int v) { helpContext_ = v; }

  std::size_t Count() const { return items_.size(); }
  TMenuItem* Items(std::size_t i) const { return items_[i]; }
  TMenuItem* ParentItem() const { return parent_; }
  void Add(TMenuItem* item);
  void Remove(TMenuItem* item);
  bool IsSeparator() const { return caption_ == "-"; }
  // The command identifier used in WM_COMMAND.
  UINT Command() const { return command_; }

  // Runs OnClick (when enabled).
  void Click();

  void SetParentComponent(TComponent* parent) override;
  TComponent* GetParentComponent() const override;

  std::function<void(TComponent*)> OnClick;

 private:
  friend class TMenu;
  void Changed();
  TMenu* Menu() const;

  std::string caption_;
  TShortCut shortCut_ = 0;
  bool default_ = false;
  bool enabled_ = true;
  bool visible_ = true;
  bool checked_ = false;
  int helpContext_ = 0;
  UINT command_;
  TMenuItem* parent_ = nullptr;
  TMenu* menu_ = nullptr;  // set on the root item only
  std::vector<TMenuItem*> items_;
};

class TMenu : public TComponent {
 public:
  explicit TMenu(TComponent* owner);
  ~TMenu() override;
  static const ClassInfo& StaticClass();
  const ClassInfo& Class() const override { return StaticClass(); }

  // The invisible root whose children are the top-level items.
  TMenuItem* Items() const { return root_; }
  // The item with this command identifier or shortcut, or nullptr.
  TMenuItem* FindItem(UINT command) const;
  TMenuItem* FindShortCut(TShortCut shortCut) const;
  // The Win32 menu, built on first use and anew after items change.
  HMENU Handle();
  bool HandleAllocated() const { return static_cast<bool>(handle_); }
  void Rebuild();

  // Told after the menu was rebuilt.
  std::function<void()> OnChange;

 protected:
  virtual bool IsPopup() const { return false; }

 private:
  void Fill(HMENU menu, const TMenuItem& parent);

  TMenuItem* root_;
  UniqueMenu handle_;
};

class TMainMenu : public TMenu {
 public:
  using TMenu::TMenu;
  static const ClassInfo& StaticClass();
  const ClassInfo& Class() const override { return StaticClass(); }
};

class TPopupMenu : public TMenu {
 public:
  using TMenu::TMenu;
  static const ClassInfo& StaticClass();
  const ClassInfo& Class() const override { return StaticClass(); }

  bool AutoPopup() const { return autoPopup_; }
  void SetAutoPopup(bool v) { autoPopup_ = v; }
  TComponent* PopupComponent() const { return popupComponent_; }
  void SetPopupComponent(TComponent* c) { popupComponent_ = c; }
  // Shows the menu at a screen point, owned by `owner`; returns once it has
  // closed, after running the chosen item's click.
  void Popup(int x, int y, HWND owner);

 protected:
  bool IsPopup() const override { return true; }

 private:
  bool autoPopup_ = true;
  TComponent* popupComponent_ = nullptr;
};

}  // namespace tallivo::ui
