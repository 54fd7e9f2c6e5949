#include "ui/menu_win.h"

#include <algorithm>

#include "ui/text_win.h"

namespace tallivo::ui {
namespace {

UINT NextCommand() {
  // Menu commands live above the control identifiers and below 0xF000 (system commands).
  static UINT next = 0xE000;
  next = next >= 0xEFFF ? 0xE000 : next + 1;
  return next;
}

}  // namespace

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), command_(NextCommand()) {}

TMenuItem::~TMenuItem() {
  for (TMenuItem* item : items_) item->parent_ = nullptr;
  if (parent_) parent_->Remove(this);
}

const ClassInfo& TMenuItem::StaticClass() {
  static const ClassInfo info(
      "TMenuItem", &TComponent::StaticClass(), &Construct<TMenuItem>,
      {
          Property<TMenuItem>("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption, std::string()),
          Property<TMenuItem>("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked, false),
          Property<TMenuItem>("Default", &TMenuItem::Default, &TMenuItem::SetDefault, false),
          Property<TMenuItem>("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled, true),
          Property<TMenuItem>("HelpContext", &TMenuItem::HelpContext, &TMenuItem::SetHelpContext, 0),
          Property<TMenuItem>("ShortCut", &TMenuItem::ShortCut, &TMenuItem::SetShortCut, 0),
          Property<TMenuItem>("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible, true),
          EventProperty<TMenuItem>("OnClick", &TMenuItem::OnClick),
      });
  return info;
}

void TMenuItem::SetCaption(std::string v) {
  caption_ = std::move(v);
  Changed();
}
void TMenuItem::SetShortCut(TShortCut v) {
  shortCut_ = v;
  Changed();
}
void TMenuItem::SetDefault(bool v) {
  default_ = v;
  Changed();
}
void TMenuItem::SetEnabled(bool v) {
  enabled_ = v;
  Changed();
}
void TMenuItem::SetVisible(bool v) {
  visible_ = v;
  Changed();
}
void TMenuItem::SetChecked(bool v) {
  checked_ = v;
  Changed();
}

void TMenuItem::Add(TMenuItem* item) {
  if (!item || item->parent_ == this) return;
  if (item->parent_) item->parent_->Remove(item);
  item->parent_ = this;
  items_.push_back(item);
  Changed();
}

void TMenuItem::Remove(TMenuItem* item) {
  items_.erase(std::remove(items_.begin(), items_.end(), item), items_.end());
  if (item->parent_ == this) item->parent_ = nullptr;
  Changed();
}

void TMenuItem::Click() {
  if (enabled_ && OnClick) OnClick(this);
}

void TMenuItem::SetParentComponent(TComponent* parent) {
  if (auto* item = dynamic_cast<TMenuItem*>(parent)) {
    item->Add(this);
  } else if (auto* menu = dynamic_cast<TMenu*>(parent)) {
    menu->Items()->Add(this);
  }
}

TComponent* TMenuItem::GetParentComponent() const {
  if (parent_ && parent_->menu_) return parent_->menu_;
  return parent_;
}

TMenu* TMenuItem::Menu() const {
  const TMenuItem* item = this;
  while (item->parent_) item = item->parent_;
  return item->menu_;
}

void TMenuItem::Changed() {
  // A menu nobody has asked for yet is built when it is, once, from the final items.
  if (TMenu* menu = Menu(); menu && !menu->Loading() && menu->HandleAllocated()) menu->Rebuild();
}

TMenu::TMenu(TComponent* owner) : TComponent(owner), root_(new TMenuItem(nullptr)) {
  root_->menu_ = this;
}

TMenu::~TMenu() {
  root_->menu_ = nullptr;
  delete root_;
}

const ClassInfo& TMenu::StaticClass() {
  static const ClassInfo info("TMenu", &TComponent::StaticClass(), nullptr, {});
  return info;
}

const ClassInfo& TMainMenu::StaticClass() {
  static const ClassInfo info("TMainMenu", &TMenu::StaticClass(), &Construct<TMainMenu>, {});
  return info;
}

const ClassInfo& TPopupMenu::StaticClass() {
  static const ClassInfo info(
      "TPopupMenu", &TMenu::StaticClass(), &Construct<TPopupMenu>,
      {Property<TPopupMenu>("AutoPopup", &TPopupMenu::AutoPopup, &TPopupMenu::SetAutoPopup, true)});
  return info;
}

namespace {

TMenuItem* Find(const TMenuItem& parent, const std::function<bool(const TMenuItem&)>& match) {
  for (std::size_t i = 0; i < parent.Count(); ++i) {
    TMenuItem* item = parent.Items(i);
    if (match(*item)) return item;
    if (TMenuItem* found = Find(*item, match)) return found;
  }
  return nullptr;
}

}  // namespace

TMenuItem* TMenu::FindItem(UINT command) const {
  return Find(*root_, [command](const TMenuItem& item) { return item.Command() == command; });
}

TMenuItem* TMenu::FindShortCut(TShortCut shortCut) const {
  if (shortCut == 0) return nullptr;
  return Find(*root_, [shortCut](const TMenuItem& item) {
    return item.ShortCut() == shortCut && item.Visible() && item.Enabled();
  });
}

HMENU TMenu::Handle() {
  if (!handle_) Rebuild();
  return handle_.Get();
}

void TMenu::Rebuild() {
  UniqueMenu menu(IsPopup() ? CreatePopupMenu() : CreateMenu());
  Fill(menu.Get(), *root_);
  handle_ = std::move(menu);
  if (OnChange) OnChange();
}

void TMenu::Fill(HMENU menu, const TMenuItem& parent) {
  for (std::size_t i = 0; i < parent.Count(); ++i) {
    const TMenuItem& item = *parent.Items(i);
    if (!item.Visible()) continue;
    if (item.IsSeparator()) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    std::wstring text = Widen(item.Caption());
    if (const std::string key = ShortCutToText(item.ShortCut()); !key.empty()) text += L"\t" + Widen(key);
    UINT flags = MF_STRING | (item.Enabled() ? MF_ENABLED : MF_GRAYED) | (item.Checked() ? MF_CHECKED : 0);
    if (item.Count() > 0) {
      HMENU sub = CreatePopupMenu();
      Fill(sub, item);
      AppendMenuW(menu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), text.c_str());
    } else {
      AppendMenuW(menu, flags, item.Command(), text.c_str());
    }
    if (item.Default()) SetMenuDefaultItem(menu, item.Command(), FALSE);
  }
}

void TPopupMenu::Popup(int x, int y, HWND owner) {
  const UINT command = static_cast<UINT>(
      TrackPopupMenuEx(Handle(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, x, y, owner, nullptr));
  if (command == 0) return;
  if (TMenuItem* item = FindItem(command)) item->Click();
}

}  // namespace tallivo::ui
