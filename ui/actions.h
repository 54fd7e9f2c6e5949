// Commands with shortcuts that work while their form is active, whether or
// not a menu item or button shows them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/published.h"
#include "ui/shortcut.h"

namespace tallivo::ui {

class TActionList;

class TAction : public TComponent {
 public:
  explicit TAction(TComponent* owner) : TComponent(owner) {}
  ~TAction() override;
  static const ClassInfo& StaticClass();
  const ClassInfo& Class() const override { return StaticClass(); }

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string v) { caption_ = std::move(v); }
  TShortCut ShortCut() const { return shortCut_; }
  void SetShortCut(TShortCut v) { shortCut_ = v; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v) { enabled_ = v; }
  TActionList* ActionList() const { return list_; }
  void SetActionList(TActionList* list);

  // Runs OnExecute; false when disabled or without a handler.
  bool Execute();

  void SetParentComponent(TComponent* parent) override;
  TComponent* GetParentComponent() const override;

  std::function<void(TComponent*)> OnExecute;

 private:
  std::string caption_;
  TShortCut shortCut_ = 0;
  bool enabled_ = true;
  TActionList* list_ = nullptr;
  friend class TActionList;
};

class TActionList : public TComponent {
 public:
  explicit TActionList(TComponent* owner) : TComponent(owner) {}
  ~TActionList() override;
  static const ClassInfo& StaticClass();
  const ClassInfo& Class() const override { return StaticClass(); }

  const std::vector<TAction*>& Actions() const { return actions_; }
  // Executes the enabled action with this shortcut; true when one ran.
  bool IsShortCut(TShortCut shortCut);

 private:
  friend class TAction;
  std::vector<TAction*> actions_;
};

}  // namespace tallivo::ui
