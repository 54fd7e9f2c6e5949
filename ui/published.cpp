#include "ui/published.h"

#include <algorithm>
#include <map>
#include <stdexcept>

namespace tallivo::ui {

int EnumNames::IndexOf(std::string_view name) const {
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (SameText(names[i], name)) return static_cast<int>(i);
  }
  return -1;
}

namespace {

template <typename T>
const T& Expect(const PropValue& v, const char* what) {
  if (const T* p = std::get_if<T>(&v)) return *p;
  throw std::runtime_error(std::string("expected ") + what);
}

}  // namespace

void ThrowOutOfRange(std::int64_t value) {
  throw std::runtime_error("value " + std::to_string(value) + " out of range");
}

void ThrowWrongComponent(TComponent* component) {
  throw std::runtime_error("component " + component->Name() + " is of the wrong class");
}

void ThrowWrongHandler(const std::string& handler, const std::string& event) {
  throw std::runtime_error("handler " + handler + " does not fit event " + event);
}

bool PropTraits<bool>::From(const PropValue& v) {
  return Expect<bool>(v, "True or False");
}

std::int64_t IntegerFrom(const PropValue& v) {
  return Expect<std::int64_t>(v, "an integer");
}

double PropTraits<double>::From(const PropValue& v) {
  if (const auto* i = std::get_if<std::int64_t>(&v)) return static_cast<double>(*i);
  return Expect<double>(v, "a number");
}

std::string PropTraits<std::string>::From(const PropValue& v) {
  return Expect<std::string>(v, "a string");
}

Bytes PropTraits<Bytes>::From(const PropValue& v) {
  return Expect<Bytes>(v, "binary data");
}

int EnumIndexFrom(const PropValue& v, const EnumNames& names) {
  const auto& name = Expect<EnumValue>(v, "an identifier").name;
  const int i = names.IndexOf(name);
  if (i < 0) throw std::runtime_error("unknown value " + name);
  return i;
}

std::uint64_t SetBitsFrom(const PropValue& v, const EnumNames& names) {
  std::uint64_t bits = 0;
  for (const auto& name : Expect<SetValue>(v, "a set")) {
    const int i = names.IndexOf(name);
    if (i < 0 || i >= 64) throw std::runtime_error("unknown set member " + name);
    bits |= std::uint64_t{1} << i;
  }
  return bits;
}

TComponent* ComponentFrom(const PropValue& v) {
  if (std::holds_alternative<std::monostate>(v)) return nullptr;
  return Expect<TComponent*>(v, "a component name");
}

ClassInfo::ClassInfo(std::string name, const ClassInfo* parent, Factory factory,
                     std::vector<PropInfo> properties, std::vector<HandlerInfo> handlers,
                     std::vector<FieldInfo> fields)
    : name_(std::move(name)),
      parent_(parent),
      factory_(factory),
      properties_(std::move(properties)),
      handlers_(std::move(handlers)),
      fields_(std::move(fields)) {}

std::vector<const PropInfo*> ClassInfo::AllProperties() const {
  std::vector<const PropInfo*> all = parent_ ? parent_->AllProperties() : std::vector<const PropInfo*>{};
  for (const auto& p : properties_) {
    // A redeclared setting (a new default) replaces the inherited one in place.
    auto same = std::find_if(all.begin(), all.end(), [&](const PropInfo* q) { return q->name == p.name; });
    if (same != all.end()) {
      *same = &p;
    } else {
      all.push_back(&p);
    }
  }
  return all;
}

std::vector<const FieldInfo*> ClassInfo::AllFields() const {
  std::vector<const FieldInfo*> all = parent_ ? parent_->AllFields() : std::vector<const FieldInfo*>{};
  for (const auto& f : fields_) all.push_back(&f);
  return all;
}

const PropInfo* ClassInfo::FindProperty(std::string_view name) const {
  for (const auto& p : properties_) {
    if (SameText(p.name, name)) return &p;
  }
  return parent_ ? parent_->FindProperty(name) : nullptr;
}

const HandlerInfo* ClassInfo::FindHandler(std::string_view name) const {
  for (const auto& h : handlers_) {
    if (SameText(h.name, name)) return &h;
  }
  return parent_ ? parent_->FindHandler(name) : nullptr;
}

const FieldInfo* ClassInfo::FindField(std::string_view name) const {
  for (const auto& f : fields_) {
    if (SameText(f.name, name)) return &f;
  }
  return parent_ ? parent_->FindField(name) : nullptr;
}

bool ClassInfo::InheritsFrom(const ClassInfo& other) const {
  for (const ClassInfo* c = this; c; c = c->parent_) {
    if (c == &other) return true;
  }
  return false;
}

namespace {

std::map<std::string, const ClassInfo*, std::less<>>& Registry() {
  static std::map<std::string, const ClassInfo*, std::less<>> registry;
  return registry;
}

}  // namespace

void RegisterComponentClass(const ClassInfo& info) {
  Registry()[info.Name()] = &info;
}

const ClassInfo* FindClass(std::string_view name) {
  auto it = Registry().find(name);
  return it == Registry().end() ? nullptr : it->second;
}

}  // namespace tallivo::ui
