// Components: named objects owned by other components, with published
// settings that stored form data can set and write back.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tallivo::ui {

class ClassInfo;

// Base of everything that has published settings (components and their
// sub-objects such as fonts).
class TPersistent {
 public:
  TPersistent() = default;
  TPersistent(const TPersistent&) = delete;
  TPersistent& operator=(const TPersistent&) = delete;
  virtual ~TPersistent() = default;

  // The most derived class's published settings.
  virtual const ClassInfo& Class() const = 0;
  // Copies `source` into this object. The default refuses: throws
  // std::runtime_error "Cannot assign a <source class> to a <this class>".
  virtual void Assign(const TPersistent* source);
};

enum class TOperation { opInsert, opRemove };

// An owned, named component. The owner frees what it owns, newest first; a
// component freed on its own leaves its owner's list. Components that asked
// for it are told when a component goes away, so they can drop references.
class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;

  static const ClassInfo& StaticClass();
  const ClassInfo& Class() const override { return StaticClass(); }

  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  TComponent* Owner() const { return owner_; }
  std::size_t ComponentCount() const { return components_.size(); }
  TComponent* Components(std::size_t i) const { return components_[i]; }
  // Owned component with this name (ASCII case-insensitive), or nullptr.
  TComponent* FindComponent(std::string_view name) const;

  // `other` is told (Notification opRemove) when this component is freed.
  void FreeNotification(TComponent* other);
  void RemoveFreeNotification(TComponent* other);

  // Name of the handler that stored data bound to an event, or empty.
  std::string EventHandlerName(std::string_view event) const;
  void SetEventHandlerName(std::string_view event, std::string handler);

  // The component that contains this one in stored data (a control's parent
  // control, a menu item's menu); the default ignores it.
  virtual void SetParentComponent(TComponent* parent) { (void)parent; }
  // The component this one is nested in when stored; nullptr: the owner.
  virtual TComponent* GetParentComponent() const { return nullptr; }

  // Frees every owned component now, newest first.
  void DestroyComponents();

  // Runs before the destructor when freed through Free or by the owner.
  virtual void BeforeDestruction() {}
  // True once the component is being freed (from BeforeDestruction on).
  bool Destroying() const { return freeing_; }

  // True while stored form data is being applied.
  bool Loading() const { return loading_; }
  void BeginLoading() { loading_ = true; }
  // Ends loading and runs the after-loading step.
  void EndLoading();

 protected:
  // Runs once after the stored settings of the whole form have been applied.
  virtual void Loaded() {}
  // A component this one references (through its owner or FreeNotification)
  // is inserted or about to be removed.
  virtual void Notification(TComponent* component, TOperation operation);

 private:
  void Insert(TComponent* component);
  void Remove(TComponent* component);

  TComponent* owner_;
  std::string name_;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> notified_;
  std::vector<std::pair<std::string, std::string>> eventHandlers_;
  bool loading_ = false;
  bool destroying_ = false;  // in the destructor: owned components go without notifying siblings
  bool freeing_ = false;
  friend void Free(TComponent* component);
};

// Frees a component the way its owner would: BeforeDestruction first, while
// the most derived class is still whole, then delete.
void Free(TComponent* component);

// Creates a component owned by `owner`; the owner frees it.
template <typename T, typename... Args>
T* CreateOwned(TComponent& owner, Args&&... args) {
  return new T(&owner, std::forward<Args>(args)...);
}

bool SameText(std::string_view a, std::string_view b);

}  // namespace tallivo::ui
