#include "ui/actions.h"

#include <algorithm>

namespace tallivo::ui {

TAction::~TAction() {
  SetActionList(nullptr);
}

const ClassInfo& TAction::StaticClass() {
  static const ClassInfo info(
      "TAction", &TComponent::StaticClass(), &Construct<TAction>,
      {
          Property<TAction>("Caption", &TAction::Caption, &TAction::SetCaption, std::string()),
          Property<TAction>("Enabled", &TAction::Enabled, &TAction::SetEnabled, true),
          Property<TAction>("ShortCut", &TAction::ShortCut, &TAction::SetShortCut, 0),
          EventProperty<TAction>("OnExecute", &TAction::OnExecute),
      });
  return info;
}

void TAction::SetActionList(TActionList* list) {
  if (list == list_) return;
  if (list_) {
    auto& a = list_->actions_;
    a.erase(std::remove(a.begin(), a.end(), this), a.end());
  }
  list_ = list;
  if (list_) list_->actions_.push_back(this);
}

bool TAction::Execute() {
  if (!enabled_ || !OnExecute) return false;
  OnExecute(this);
  return true;
}

void TAction::SetParentComponent(TComponent* parent) {
  if (auto* list = dynamic_cast<TActionList*>(parent)) SetActionList(list);
}

TComponent* TAction::GetParentComponent() const {
  return list_;
}

TActionList::~TActionList() {
  for (TAction* a : actions_) a->list_ = nullptr;
}

const ClassInfo& TActionList::StaticClass() {
  static const ClassInfo info("TActionList", &TComponent::StaticClass(), &Construct<TActionList>, {});
  return info;
}

bool TActionList::IsShortCut(TShortCut shortCut) {
  if (shortCut == 0) return false;
  for (TAction* a : actions_) {
    if (a->ShortCut() == shortCut && a->Enabled()) return a->Execute();
  }
  return false;
}

}  // namespace tallivo::ui
