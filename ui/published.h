// Published settings: each class declares its settings once, with defaults,
// so stored form data can set them by name and a writer can store back only
// what differs from the default.
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "ui/component.h"

namespace tallivo::ui {

enum class PropKind { Bool, Integer, Float, String, Enum, Set, Binary, Component, Event, Object };

// Names of an enumeration's members, in the order of their values.
struct EnumNames {
  std::vector<std::string_view> names;
  int IndexOf(std::string_view name) const;
};

// Specialise for each enumeration used as a published setting.
template <typename E>
const EnumNames& EnumNamesOf();

// A set of enumeration members, stored as a bit mask.
template <typename E>
class Set {
 public:
  constexpr Set() = default;
  constexpr Set(std::initializer_list<E> items) {
    for (E e : items) bits_ |= Bit(e);
  }
  constexpr bool Has(E e) const { return (bits_ & Bit(e)) != 0; }
  constexpr Set& Include(E e) {
    bits_ |= Bit(e);
    return *this;
  }
  constexpr Set& Exclude(E e) {
    bits_ &= ~Bit(e);
    return *this;
  }
  constexpr std::uint64_t Bits() const { return bits_; }
  static constexpr Set FromBits(std::uint64_t bits) {
    Set s;
    s.bits_ = bits;
    return s;
  }
  constexpr bool operator==(const Set&) const = default;

 private:
  static constexpr std::uint64_t Bit(E e) { return std::uint64_t{1} << static_cast<unsigned>(e); }
  std::uint64_t bits_ = 0;
};

// An event handler found by name in a form's handler table.
struct BoundHandler {
  std::string name;
  std::any function;  // a std::function of the handler's signature
};

// A setting's value on its way between stored data and a component.
// Enum holds the member name, Set the member names.
struct EnumValue {
  std::string name;
  bool operator==(const EnumValue&) const = default;
};
using SetValue = std::vector<std::string>;
using Bytes = std::vector<std::uint8_t>;
using PropValue = std::variant<std::monostate, bool, std::int64_t, double, std::string, EnumValue, SetValue,
                               Bytes, TComponent*, BoundHandler>;

struct PropInfo {
  std::string name;
  PropKind kind;
  // Reads the current value (Event: the bound handler's name only; Object: nothing).
  std::function<PropValue(const TPersistent&)> get;
  // Applies a value of the property's kind; throws std::runtime_error when
  // the value does not fit (unknown enum member, handler of another type).
  std::function<void(TPersistent&, const PropValue&)> set;
  // True when the current value differs from the default and so is stored.
  std::function<bool(const TPersistent&)> stored;
  // Object kind: the owned sub-object.
  std::function<TPersistent*(const TPersistent&)> object;
};

struct HandlerInfo {
  std::string name;
  std::function<std::any(TPersistent&)> bind;
};

struct FieldInfo {
  std::string name;
  std::function<bool(TPersistent&, TComponent*)> assign;
};

// A class's published settings, handlers and component fields, and how to
// create it from stored data.
class ClassInfo {
 public:
  using Factory = TComponent* (*)(TComponent* owner);
  ClassInfo(std::string name, const ClassInfo* parent, Factory factory, std::vector<PropInfo> properties,
            std::vector<HandlerInfo> handlers = {}, std::vector<FieldInfo> fields = {});

  const std::string& Name() const { return name_; }
  const ClassInfo* Parent() const { return parent_; }
  Factory GetFactory() const { return factory_; }
  // Own and inherited settings, base class first.
  std::vector<const PropInfo*> AllProperties() const;
  // Own and inherited component fields, base class first.
  std::vector<const FieldInfo*> AllFields() const;
  const PropInfo* FindProperty(std::string_view name) const;
  const HandlerInfo* FindHandler(std::string_view name) const;
  const FieldInfo* FindField(std::string_view name) const;
  bool InheritsFrom(const ClassInfo& other) const;

 private:
  std::string name_;
  const ClassInfo* parent_;
  Factory factory_;
  std::vector<PropInfo> properties_;
  std::vector<HandlerInfo> handlers_;
  std::vector<FieldInfo> fields_;
};

[[noreturn]] void ThrowOutOfRange(std::int64_t value);
[[noreturn]] void ThrowWrongComponent(TComponent* component);
[[noreturn]] void ThrowWrongHandler(const std::string& handler, const std::string& event);
std::int64_t IntegerFrom(const PropValue& v);
int EnumIndexFrom(const PropValue& v, const EnumNames& names);
std::uint64_t SetBitsFrom(const PropValue& v, const EnumNames& names);
TComponent* ComponentFrom(const PropValue& v);

// Classes that stored data may name.
void RegisterComponentClass(const ClassInfo& info);
const ClassInfo* FindClass(std::string_view name);

template <typename T>
TComponent* Construct(TComponent* owner) {
  return new T(owner);
}

// How a C++ type travels as a PropValue.
template <typename T>
struct PropTraits;

template <>
struct PropTraits<bool> {
  static constexpr PropKind kKind = PropKind::Bool;
  static PropValue To(bool v) { return v; }
  static bool From(const PropValue& v);
};

template <typename T>
requires(std::is_integral_v<T> && !std::is_same_v<T, bool>) struct PropTraits<T> {
  static constexpr PropKind kKind = PropKind::Integer;
  static PropValue To(T v) { return static_cast<std::int64_t>(v); }
  static T From(const PropValue& v) {
    const std::int64_t i = IntegerFrom(v);
    if (!std::in_range<T>(i)) ThrowOutOfRange(i);
    return static_cast<T>(i);
  }
};

template <>
struct PropTraits<double> {
  static constexpr PropKind kKind = PropKind::Float;
  static PropValue To(double v) { return v; }
  static double From(const PropValue& v);
};

template <>
struct PropTraits<std::string> {
  static constexpr PropKind kKind = PropKind::String;
  static PropValue To(const std::string& v) { return v; }
  static std::string From(const PropValue& v);
};

template <>
struct PropTraits<Bytes> {
  static constexpr PropKind kKind = PropKind::Binary;
  static PropValue To(const Bytes& v) { return v; }
  static Bytes From(const PropValue& v);
};

template <typename E>
requires std::is_enum_v<E>
struct PropTraits<E> {
  static constexpr PropKind kKind = PropKind::Enum;
  static PropValue To(E v) {
    return EnumValue{std::string(EnumNamesOf<E>().names.at(static_cast<std::size_t>(v)))};
  }
  static E From(const PropValue& v) { return static_cast<E>(EnumIndexFrom(v, EnumNamesOf<E>())); }
};

template <typename E>
struct PropTraits<Set<E>> {
  static constexpr PropKind kKind = PropKind::Set;
  static PropValue To(Set<E> v) {
    SetValue names;
    const auto& all = EnumNamesOf<E>().names;
    for (std::size_t i = 0; i < all.size(); ++i) {
      if (v.Has(static_cast<E>(i))) names.emplace_back(all[i]);
    }
    return names;
  }
  static Set<E> From(const PropValue& v) { return Set<E>::FromBits(SetBitsFrom(v, EnumNamesOf<E>())); }
};

template <typename T>
requires std::is_base_of_v<TComponent, T>
struct PropTraits<T*> {
  static constexpr PropKind kKind = PropKind::Component;
  static PropValue To(T* v) { return static_cast<TComponent*>(v); }
  static T* From(const PropValue& v) {
    TComponent* c = ComponentFrom(v);
    T* t = dynamic_cast<T*>(c);
    if (c && !t) ThrowWrongComponent(c);
    return t;
  }
};

// A published setting read and written through a getter and a setter of C.
template <typename C, typename Get, typename SetFn, typename D>
PropInfo Property(std::string name, Get getter, SetFn setter, D defaultValue) {
  using T = std::remove_cvref_t<std::invoke_result_t<Get, const C&>>;
  using Traits = PropTraits<T>;
  PropInfo info;
  info.name = std::move(name);
  info.kind = Traits::kKind;
  info.get = [getter](const TPersistent& o) {
    return Traits::To(std::invoke(getter, static_cast<const C&>(o)));
  };
  info.set = [setter](TPersistent& o, const PropValue& v) {
    std::invoke(setter, static_cast<C&>(o), Traits::From(v));
  };
  info.stored = [getter, def = T(defaultValue)](const TPersistent& o) {
    return !(std::invoke(getter, static_cast<const C&>(o)) == def);
  };
  return info;
}

// A reference to another component; stored whenever it is set.
template <typename C, typename Get, typename SetFn>
PropInfo ComponentProperty(std::string name, Get getter, SetFn setter) {
  return Property<C>(std::move(name), getter, setter, nullptr);
}

// An owned sub-object whose own settings are stored as Name.Setting; the
// getter is const and hands out the owned object.
template <typename C, typename Get>
PropInfo ObjectProperty(std::string name, Get getter) {
  PropInfo info;
  info.name = std::move(name);
  info.kind = PropKind::Object;
  info.object = [getter](const TPersistent& o) -> TPersistent* {
    return std::invoke(getter, static_cast<const C&>(o));
  };
  info.stored = [](const TPersistent&) { return true; };
  return info;
}

// An event: a std::function member bound to a handler named in stored data.
template <typename C, typename Sig>
PropInfo EventProperty(std::string name, std::function<Sig> C::*member) {
  PropInfo info;
  info.name = name;
  info.kind = PropKind::Event;
  info.get = [name](const TPersistent& o) -> PropValue {
    return static_cast<const TComponent&>(o).EventHandlerName(name);
  };
  info.set = [name, member](TPersistent& o, const PropValue& v) {
    auto& self = static_cast<C&>(o);
    if (const auto* bound = std::get_if<BoundHandler>(&v)) {
      const auto* fn = std::any_cast<std::function<Sig>>(&bound->function);
      if (!fn) ThrowWrongHandler(bound->name, name);
      self.*member = *fn;
      self.SetEventHandlerName(name, bound->name);
    } else {
      self.*member = nullptr;
      self.SetEventHandlerName(name, {});
    }
  };
  info.stored = [name](const TPersistent& o) {
    return !static_cast<const TComponent&>(o).EventHandlerName(name).empty();
  };
  return info;
}

// A method of form class C that stored data may name as an event handler.
template <typename C, typename R, typename... A>
HandlerInfo Handler(std::string name, R (C::*method)(A...)) {
  return {std::move(name), [method](TPersistent& o) {
            C* self = &static_cast<C&>(o);
            return std::any(std::function<R(A...)>([self, method](A... a) { return (self->*method)(a...); }));
          }};
}

// A member of form class C that receives the component of the same name.
template <typename C, typename T>
FieldInfo Field(std::string name, T* C::*member) {
  return {std::move(name), [member](TPersistent& o, TComponent* c) {
            T* t = dynamic_cast<T*>(c);
            if (!t) return false;
            static_cast<C&>(o).*member = t;
            return true;
          }};
}

}  // namespace tallivo::ui
