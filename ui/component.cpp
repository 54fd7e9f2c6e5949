#include "ui/component.h"

#include <algorithm>
#include <stdexcept>

#include "ui/published.h"

namespace tallivo::ui {

bool SameText(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(x) == lower(y);
  });
}

void TPersistent::Assign(const TPersistent* source) {
  throw std::runtime_error("Cannot assign a " + (source ? source->Class().Name() : std::string("nil")) +
                           " to a " + Class().Name());
}

void Free(TComponent* component) {
  if (!component) return;
  component->freeing_ = true;
  component->BeforeDestruction();
  delete component;
}

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_) owner_->Insert(this);
}

TComponent::~TComponent() {
  freeing_ = true;
  destroying_ = true;
  // Tell everyone who holds a reference, then free what we own (newest first).
  while (!notified_.empty()) {
    TComponent* other = notified_.back();
    notified_.pop_back();
    auto& back = other->notified_;
    back.erase(std::remove(back.begin(), back.end(), this), back.end());
    other->Notification(this, TOperation::opRemove);
  }
  DestroyComponents();
  if (owner_) owner_->Remove(this);
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    Free(components_.back());  // its destructor removes it from our list
  }
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_) {
    if (SameText(c->Name(), name)) return c;
  }
  return nullptr;
}

void TComponent::FreeNotification(TComponent* other) {
  if (!other || other == this) return;
  if (std::find(notified_.begin(), notified_.end(), other) == notified_.end()) notified_.push_back(other);
  if (std::find(other->notified_.begin(), other->notified_.end(), this) == other->notified_.end())
    other->notified_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* other) {
  notified_.erase(std::remove(notified_.begin(), notified_.end(), other), notified_.end());
  if (other)
    other->notified_.erase(std::remove(other->notified_.begin(), other->notified_.end(), this),
                           other->notified_.end());
}

std::string TComponent::EventHandlerName(std::string_view event) const {
  for (const auto& [e, h] : eventHandlers_) {
    if (e == event) return h;
  }
  return {};
}

void TComponent::SetEventHandlerName(std::string_view event, std::string handler) {
  for (auto it = eventHandlers_.begin(); it != eventHandlers_.end(); ++it) {
    if (it->first == event) {
      eventHandlers_.erase(it);
      break;
    }
  }
  if (!handler.empty()) eventHandlers_.emplace_back(std::string(event), std::move(handler));
}

void TComponent::EndLoading() {
  loading_ = false;
  Loaded();
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove && component) RemoveFreeNotification(component);
}

void TComponent::Insert(TComponent* component) {
  components_.push_back(component);
}

void TComponent::Remove(TComponent* component) {
  components_.erase(std::remove(components_.begin(), components_.end(), component), components_.end());
  // Siblings may reference it: an owner tells all it owns (the form designer model).
  if (!destroying_) {
    for (TComponent* c : components_) c->Notification(component, TOperation::opRemove);
  }
  Notification(component, TOperation::opRemove);
}

const ClassInfo& TComponent::StaticClass() {
  static const ClassInfo info("TComponent", nullptr, nullptr, {});
  return info;
}

}  // namespace tallivo::ui
